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
// be written, the file is encoded in memory and written over the target.
// Every writer of the program (the JPEG, BMP and PNG saves and the
// command-line tool's outputs) writes through WriteSafely; the encoders
// themselves only write into an open stream.
#pragma once

#include <cstdio>
#include <functional>


enum class OutputResult {
    kWritten = 0,
    kCannotCreate,   // the target may not be written, or no file could be made for it
    kWriteFailed,    // encoding, flushing, closing or the replacement failed
};

// Runs encode on a new stream for target (true when it wrote everything)
// and, when that and getting the file to disk succeed, puts the file in the
// target's place. encode is not run when the save is refused.
OutputResult WriteSafely(const char* target, const std::function<bool(std::FILE*)>& encode);

// Told of each temporary file a save makes, so that a program that may be
// interrupted can remove it: kCreating just before the file named may come
// to exist, then kCreated or kNotCreated, and kGone once a created file was
// renamed into place or removed. Between kCreating and the answer the
// watcher may hold back its interruptions, so that no moment passes in
// which the file exists and the watcher does not know it. One watcher for
// the process; null for none. It is called from WriteSafely, never from a
// signal handler.
enum class TemporaryFileEvent { kCreating, kCreated, kNotCreated, kGone };
using TemporaryFileWatcher = void (*)(TemporaryFileEvent event, const char* temporary);
void SetTemporaryFileWatcher(TemporaryFileWatcher watcher);
