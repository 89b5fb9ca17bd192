// Writing a file without ever destroying the one it replaces.
//
// The file is written under a temporary name beside its target and takes
// the target's place only after every byte was written and the file
// closed. Until then an existing target stays as it was; after a failure
// the temporary file is removed. Every writer of the program (the JPEG,
// BMP and PNG saves and the command-line tool's outputs) writes through
// WriteSafely; the encoders themselves only write into an open stream.
#pragma once

#include <cstdio>
#include <functional>


enum class OutputResult {
    kWritten = 0,
    kCannotCreate,   // no temporary file could be made beside the target
    kWriteFailed,    // encoding, flushing, closing or the replacement failed
};

// Creates a new temporary file beside target, runs encode on it (true when
// it wrote everything) and, when that and closing the file succeed, puts
// the file in the target's place. encode is not run when the temporary
// file cannot be made.
OutputResult WriteSafely(const char* target, const std::function<bool(std::FILE*)>& encode);
