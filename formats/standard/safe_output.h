// Writing a file without ever destroying the one it replaces.
//
// The file is written under a temporary name of its own beside its target
// (".zvk" and six hex digits, readable by the user alone) and takes the
// target's place only after every byte was written, flushed to disk and the
// file closed with the old file's permissions. Until then an existing
// target stays as it was; after a failure the temporary file is removed.
// A target that is a symbolic link stays one: the file it names is
// replaced. A target the user may not write is refused, as opening it for
// writing would be. Where the folder takes no new file but the target may
// be written, the file is encoded in memory and written over the target
// in place, only once the disk has room for all of it; a write that fails
// even so puts the old bytes back. A pipe or a character device (a FIFO,
// /dev/null, a terminal) is written into as a stream, never replaced;
// anything else that is not a regular file (a block device, a socket, a
// folder) is refused.
// Every writer of the program (the JPEG, BMP and PNG saves and the
// command-line tool's outputs) writes through WriteSafely; the encoders
// themselves only write into an open stream.
#pragma once

#include <cstdio>
#include <functional>
#include <string>


enum class OutputResult {
    kWritten = 0,
    kCannotCreate,   // the target may not be written, or no file could be made for it
    kWriteFailed,    // encoding, flushing, closing or the replacement failed
};

// Which names a save may write through. kFollowLinks (the default) is
// described above. kWithinFolder writes only the target's own entry in its
// folder, for a collection whose outputs must never land outside its
// folder: a target name that is a symbolic link, a pipe, a device or
// anything but a regular file is refused, the rename replaces the entry
// itself whatever was put there meanwhile, and a file written in place must
// have no other name.
enum class OutputTargets { kFollowLinks, kWithinFolder };

// Why a save did not write, for a front end that can say more than the
// writers' messages (which name no file and no cause).
enum class OutputFault {
    kNone,          // it wrote, or its encoder failed with no system error
    kSystem,        // a step of the save failed: systemText says why
    kSpecialFile,   // the target is neither a regular file nor a stream
    kNotInFolder,   // (kWithinFolder) the target is a link or not a regular file
    kNotRestored,   // writing in place failed (systemText) and so did putting the old bytes back
};
struct OutputFailure {
    OutputFault fault = OutputFault::kNone;
    std::string target;       // as given to WriteSafely
    std::string systemText;   // the system's words (code page 932 on Windows), or empty
};

// The steps of a save that a program which may be interrupted must know
// of. kCreating comes just before the temporary file named may come to
// exist, then kCreated or kNotCreated; kReplacing before a finished file
// is renamed into the target's place, kGone once a created file was renamed
// or removed. kWritingInPlace and kWrittenInPlace bracket writing over a
// target in place (no temporary file), which must not be cut short.
enum class TemporaryFileEvent {
    kCreating,
    kCreated,
    kNotCreated,
    kReplacing,
    kGone,
    kWritingInPlace,
    kWrittenInPlace,
};

// Told of a save's steps on the thread that saves; several saves may tell
// one watcher at once. Between kCreating and its answer the watcher may
// hold back its interruptions, so that no moment passes in which the file
// exists and the watcher does not know it. Returning false at kCreating,
// kReplacing or kWritingInPlace stops the save there (a program that is
// being stopped): nothing more is written, the temporary file is removed
// and the save fails as one that could not create its file. The other
// events' answers are not used. Never called from a signal handler.
class SaveWatcher {
public:
    virtual bool Follow(TemporaryFileEvent event, const char* name) = 0;

protected:
    ~SaveWatcher() = default;
};

// One save: what it may write through, who hears of its steps, and (after
// it) why it failed. Each save has its own, so that saves on several
// threads at once share nothing.
struct SaveCall {
    OutputTargets targets = OutputTargets::kFollowLinks;
    SaveWatcher* watcher = nullptr;
    OutputFailure failure;   // set by the save
};

// Runs encode on a new stream for target (true when it wrote everything)
// and, when that and getting the file to disk succeed, puts the file in the
// target's place. encode is not run when the save is refused. The second
// form saves with the defaults and no watcher.
OutputResult WriteSafely(const char* target, const std::function<bool(std::FILE*)>& encode, SaveCall& call);
OutputResult WriteSafely(const char* target, const std::function<bool(std::FILE*)>& encode);

// True when a save to target would write into a pipe or a character device
// (so that a name such as /dev/stdout is taken as it is). Never within a
// folder.
bool OutputIsStream(const char* target, OutputTargets targets = OutputTargets::kFollowLinks);
