// FileReader: little-endian fields from an open file, bounds-checked.
//
// Every field of the painter-program files is read through it, never by
// laying a struct over bytes. A field that the file cannot supply in full
// leaves its destination as it was (the readers' rule: values whose bytes
// are missing keep their previous contents) and makes the reader fail; the
// failure sticks, so a reader can check once at the end. Reads never go
// past the end of the destination.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class FileReader {
public:
    explicit FileReader(std::FILE* file) : file_(file) {}

    // All or nothing: the n bytes, or dest unchanged and the reader failed.
    bool Bytes(void* dest, size_t n);
    // As many of the n bytes as the file still has; returns how many. A
    // short read makes the reader fail.
    size_t Partial(void* dest, size_t n);
    bool Skip(size_t n);

    bool U8(uint8_t& v);
    bool I8(int8_t& v);
    bool I32(int32_t& v);
    bool F32(float& v);

    // One byte as fgetc gives it: 0..255, or -1 at the end of the file.
    int Byte();

    // Bytes between the current position and the end of the file, for
    // bounding allocations by what the file can actually supply.
    int64_t Remaining() const;

    bool Failed() const { return failed_; }
    // True when the system failed to read the file (an I/O error, not its
    // end). Readers that take a short read for the end of the file check it
    // before they commit anything: a damaged read must not pass for a file.
    bool IoError() const { return std::ferror(file_) != 0; }
    std::FILE* File() const { return file_; }

private:
    std::FILE* file_;
    bool failed_ = false;
};
