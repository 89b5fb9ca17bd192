// ByteSource: the bytes of one file being read, from an open file or from
// memory its caller owns, with bounds-checked little-endian fields.
//
// Every decoder reads through it, never by laying a struct over bytes and
// never from a path: the readers open a file (or take the caller's bytes)
// once and hand the decoders the source. A field that the source cannot
// supply in full leaves its destination as it was (the readers' rule:
// values whose bytes are missing keep their previous contents) and makes
// the source fail; the failure sticks, so a reader can check once at the
// end. Reads never go past the end of the destination.
//
// The decoders built on libraries that keep their own account of what they
// read (JPEG, PNG, the BMP rows) use Read, which leaves the sticky failure
// alone, and the positioning calls.
//
// A source also carries the limits of the open it belongs to (the picture
// size limit and the working memory), which the decoders apply to what a
// file claims.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "image/memory_budget.h"

// A file to read: on disk at path, or, given bytes, those bytes standing
// for a file of that name. The name is what the readers go by wherever
// they go by a name (a JPEG's extension, the path a picture records, the
// title, the messages); a file in memory is never looked for on disk, nor
// are the files it names. The bytes belong to the caller and must outlive
// every read.
struct InputFile {
    InputFile(const char* path) : path(path) {}   // a file on disk: every path converts
    InputFile(const char* name, const void* bytes, size_t size)
        : path(name), bytes(bytes), size(size), inMemory(true)
    {
    }

    const char* path;
    const void* bytes = nullptr;
    size_t size = 0;
    bool inMemory = false;
    OpenLimits limits;
};

class ByteSource {
public:
    ByteSource() = default;                   // nothing open: every read fails
    explicit ByteSource(std::FILE* file) : file_(file) {}   // the caller's open file ("rb"), not closed here
    ByteSource(const void* bytes, size_t size, const OpenLimits& limits = OpenLimits());
    ~ByteSource();
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Opens input from its first byte: the file at its path through
    // OpenRegularFile (closed with the source), or its bytes. False when
    // the file cannot be opened. The input's limits become the source's.
    bool Open(const InputFile& input);

    // All or nothing: the n bytes, or dest unchanged and the source failed.
    bool Bytes(void* dest, size_t n);
    // As many of the n bytes as the source still has; returns how many. A
    // short read makes the source fail.
    size_t Partial(void* dest, size_t n);
    bool Skip(size_t n);

    bool U8(uint8_t& v);
    bool I8(int8_t& v);
    bool I32(int32_t& v);
    bool F32(float& v);

    // One byte as fgetc gives it: 0..255, or -1 at the end of the bytes.
    int Byte();

    // Bytes between the current position and the end, for bounding
    // allocations by what the file can actually supply; -1 when that cannot
    // be told.
    int64_t Remaining() const;

    bool Failed() const { return failed_; }
    // True when the system failed to read the file (an I/O error, not its
    // end). Readers that take a short read for the end of the file check it
    // before they commit anything: a damaged read must not pass for a file.
    // Bytes in memory never fail so.
    bool IoError() const { return file_ && std::ferror(file_) != 0; }

    // Up to n bytes as fread gives them; returns how many. The sticky
    // failure is neither consulted nor changed.
    size_t Read(void* dest, size_t n);
    // Back to the first byte, with the failure and the file's end and
    // error indicators cleared.
    void Rewind();
    // To offset bytes from the first, which may lie past the end (reads
    // there find nothing). False, the position unchanged, for an offset a
    // file position cannot hold.
    bool SeekTo(uint64_t offset);
    // Gives back the last n bytes read (the JPEG decoder's read-ahead); a
    // step before the first byte leaves the position as it is.
    void StepBack(size_t n);
    // Takes the rest as missing: the position goes to the end and the
    // source fails, as reading past the end makes it.
    void SkipToEnd();

    const OpenLimits& Limits() const { return limits_; }

private:
    std::FILE* file_ = nullptr;
    bool ownsFile_ = false;
    const uint8_t* data_ = nullptr;   // bytes in memory when file_ is null
    size_t size_ = 0;
    size_t position_ = 0;             // may lie past size_ after SeekTo
    bool failed_ = false;
    OpenLimits limits_;
};
