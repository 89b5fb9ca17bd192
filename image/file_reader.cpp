#include "image/file_reader.h"

#include <cstring>

#include "image/little_endian.h"

bool FileReader::Bytes(void* dest, size_t n)
{
    if (failed_)
        return false;
    // Small fields go through a scratch copy so that a short read leaves the
    // destination untouched; larger blocks are checked against what is left.
    uint8_t scratch[64];
    if (n <= sizeof scratch) {
        if (std::fread(scratch, 1, n, file_) != n) {
            failed_ = true;
            return false;
        }
        std::memcpy(dest, scratch, n);
        return true;
    }
    int64_t left = Remaining();
    if (left >= 0 && static_cast<uint64_t>(left) < n) {
        std::fseek(file_, 0, SEEK_END);
        failed_ = true;
        return false;
    }
    if (std::fread(dest, 1, n, file_) != n) {
        failed_ = true;
        return false;
    }
    return true;
}

size_t FileReader::Partial(void* dest, size_t n)
{
    if (failed_)
        return 0;
    size_t got = std::fread(dest, 1, n, file_);
    if (got != n)
        failed_ = true;
    return got;
}

bool FileReader::Skip(size_t n)
{
    uint8_t scratch[256];
    while (n > 0 && !failed_) {
        size_t step = n < sizeof scratch ? n : sizeof scratch;
        if (std::fread(scratch, 1, step, file_) != step)
            failed_ = true;
        n -= step;
    }
    return !failed_;
}

bool FileReader::U8(uint8_t& v) { return Bytes(&v, 1); }

bool FileReader::I8(int8_t& v)
{
    uint8_t b;
    if (!Bytes(&b, 1))
        return false;
    v = static_cast<int8_t>(b);
    return true;
}

bool FileReader::I32(int32_t& v)
{
    uint8_t b[4];
    if (!Bytes(b, 4))
        return false;
    v = LoadI32LE(b);
    return true;
}

bool FileReader::F32(float& v)
{
    uint8_t b[4];
    if (!Bytes(b, 4))
        return false;
    v = LoadF32LE(b);
    return true;
}

int FileReader::Byte()
{
    int c = std::fgetc(file_);
    if (c == EOF)
        failed_ = true;
    return c == EOF ? -1 : c;
}

int64_t FileReader::Remaining() const
{
    long here = std::ftell(file_);
    if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0)
        return -1;
    long end = std::ftell(file_);
    std::fseek(file_, here, SEEK_SET);
    return end < here ? 0 : static_cast<int64_t>(end) - here;
}
