// The file-system steps of a safe save that differ between platforms:
// finding the file a target name stands for, learning what may be done to
// it, creating a new file that no one else has, getting it onto the disk
// with the old file's permissions, and putting it in the old file's place
// (or, where no new file can be made beside it, writing over it). The
// POSIX and Win32 files implement them; the build picks one. The safe
// output (safe_output.h) is their only user.
//
// A step that fails leaves the system's error (errno; GetLastError on
// Windows) as the call that made it fail set it, so that SystemErrorText
// right after it tells why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// What a save needs to know about the file it replaces.
struct TargetFile {
    bool exists = false;
    bool regular = false;    // a plain file (not a folder, device, pipe or, uninspected, a link)
    bool stream = false;     // a pipe or a character device: written into, never replaced
    bool writable = false;   // the user may open it for writing
    // What the replacement inherits: POSIX permission bits, owner and
    // group; on Windows `mode` holds the file attributes.
    uint32_t mode = 0;
    uint32_t owner = 0;
    uint32_t group = 0;
};

// A file being written, with the descriptor the platform steps need (a
// stream handed to other code may not tell its descriptor).
struct NewFile {
    std::FILE* file = nullptr;
    int descriptor = -1;
};

// The file a save to `target` writes: the name itself, or where its chain
// of symbolic links ends, even when that file does not exist yet (as
// opening the name for writing would create it). False when the chain
// cannot be followed (a loop, an unreadable link).
bool ResolveTarget(const char* target, std::string& resolved);

// What is at `path` now: where its links lead, or with followLinks false
// the name itself (a symbolic link is then neither regular nor a stream).
TargetFile InspectTarget(const char* path, bool followLinks);

// Creates path for writing in byte mode, readable by the user alone,
// failing when it already exists (so that two saves never share a
// temporary file). False on failure.
bool CreateNewFile(const char* path, NewFile& created);

// Flushes and closes a finished file, after the data reached the disk and
// the file took the permissions (owner, group, attributes) of `target`,
// or of a newly created file when there is none. False when any write or
// the flush to disk failed; the file is closed either way.
bool FinishNewFile(NewFile& file, const char* path, const TargetFile& target);

// Renames the finished file `from` to `target`, replacing target when it
// exists, and makes the rename itself lasting. True on success; on failure
// both files are as they were.
bool ReplaceTargetFile(const char* from, const char* target);

// Opens the existing pipe or character device `path` for writing as it is
// (a pipe waits for its reader, as for any writer). False when it cannot
// be opened or is, by the time it is open, no longer a pipe or device.
bool OpenStream(const char* path, NewFile& opened);

// A stream that collects what is written to it in memory, for a save that
// cannot make a file beside its target. Null when the platform has none.
struct MemoryFile {
    std::FILE* file = nullptr;
    char* data = nullptr;   // valid after CloseMemoryFile
    size_t size = 0;
    void* state = nullptr;   // the platform's own
};
bool OpenMemoryFile(MemoryFile& memory);
// Closes the stream; false when collecting failed. The data stays until
// FreeMemoryFile.
bool CloseMemoryFile(MemoryFile& memory);
void FreeMemoryFile(MemoryFile& memory);

// Writes `size` bytes over the existing regular file `target` in place,
// for a target whose folder takes no new file. It never follows a final
// symbolic link, and with soleName refuses a file that has other names
// (hard links) too. Before a byte is written the whole new length is
// reserved on the disk, and the old bytes the new ones cover are kept in
// memory; interruptions wait until the file is whole again. A write that
// fails all the same puts the old bytes and length back.
enum class OverwriteResult {
    kWritten,    // the file holds the new bytes, flushed to disk
    kRefused,    // nothing was changed: it could not be opened or read
    kFailed,     // no room for the new bytes, or writing failed and the old bytes and length are back
    kDamaged,    // writing failed, and so did putting the old bytes back
};
OverwriteResult OverwriteFile(const char* target, const char* data, size_t size, bool soleName);

// The system's words for the error of the step that just failed
// (strerror; the Windows message, in the system's code page), without a
// line end; empty when the system reported none.
std::string SystemErrorText();
// Clears the system's error, so that a failure with no system error shows
// as one.
void ClearSystemError();
