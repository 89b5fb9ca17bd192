#include "image/byte_source.h"

#include <climits>
#include <cstring>

#include "image/little_endian.h"
#include "image/open_file.h"

ByteSource::ByteSource(const void* bytes, size_t size, const OpenLimits& limits)
    : data_(static_cast<const uint8_t*>(bytes)), size_(bytes ? size : 0), limits_(limits)
{
}

ByteSource::~ByteSource()
{
    if (ownsFile_)
        std::fclose(file_);
}

bool ByteSource::Open(const InputFile& input)
{
    limits_ = input.limits;
    if (input.inMemory) {
        data_ = static_cast<const uint8_t*>(input.bytes);
        size_ = input.bytes ? input.size : 0;
        return true;
    }
    file_ = OpenRegularFile(input.path);
    ownsFile_ = file_ != nullptr;
    return file_ != nullptr;
}

size_t ByteSource::Read(void* dest, size_t n)
{
    if (file_)
        return std::fread(dest, 1, n, file_);
    const size_t left = position_ < size_ ? size_ - position_ : 0;
    const size_t got = n < left ? n : left;
    if (got)
        std::memcpy(dest, data_ + position_, got);
    position_ += got;
    return got;
}

bool ByteSource::Bytes(void* dest, size_t n)
{
    if (failed_)
        return false;
    // Small fields go through a scratch copy so that a short read leaves the
    // destination untouched; larger blocks are checked against what is left.
    uint8_t scratch[64];
    if (n <= sizeof scratch) {
        if (Read(scratch, n) != n) {
            failed_ = true;
            return false;
        }
        std::memcpy(dest, scratch, n);
        return true;
    }
    int64_t left = Remaining();
    if (left >= 0 && static_cast<uint64_t>(left) < n) {
        SkipToEnd();
        return false;
    }
    if (Read(dest, n) != n) {
        failed_ = true;
        return false;
    }
    return true;
}

size_t ByteSource::Partial(void* dest, size_t n)
{
    if (failed_)
        return 0;
    size_t got = Read(dest, n);
    if (got != n)
        failed_ = true;
    return got;
}

bool ByteSource::Skip(size_t n)
{
    uint8_t scratch[256];
    while (n > 0 && !failed_) {
        size_t step = n < sizeof scratch ? n : sizeof scratch;
        if (Read(scratch, step) != step)
            failed_ = true;
        n -= step;
    }
    return !failed_;
}

bool ByteSource::U8(uint8_t& v) { return Bytes(&v, 1); }

bool ByteSource::I8(int8_t& v)
{
    uint8_t b;
    if (!Bytes(&b, 1))
        return false;
    v = static_cast<int8_t>(b);
    return true;
}

namespace {

// A 4-byte field through load; v keeps its value when the bytes are missing.
template <typename T>
bool ReadField4(ByteSource& in, T& v, T (*load)(const uint8_t*))
{
    uint8_t b[4];
    if (!in.Bytes(b, 4))
        return false;
    v = load(b);
    return true;
}

}  // namespace

bool ByteSource::I32(int32_t& v) { return ReadField4(*this, v, LoadI32LE); }

bool ByteSource::F32(float& v) { return ReadField4(*this, v, LoadF32LE); }

int ByteSource::Byte()
{
    uint8_t b = 0;
    if (Read(&b, 1) != 1) {
        failed_ = true;
        return -1;
    }
    return b;
}

int64_t ByteSource::Remaining() const
{
    if (!file_)
        return position_ < size_ ? static_cast<int64_t>(size_ - position_) : 0;
    long here = std::ftell(file_);
    if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0)
        return -1;
    long end = std::ftell(file_);
    std::fseek(file_, here, SEEK_SET);
    return end < here ? 0 : static_cast<int64_t>(end) - here;
}

void ByteSource::Rewind()
{
    failed_ = false;
    if (file_)
        std::rewind(file_);
    else
        position_ = 0;
}

bool ByteSource::SeekTo(uint64_t offset)
{
    // Files and memory refuse the same offsets, so that a file reads alike
    // from either.
    if (offset > static_cast<uint64_t>(LONG_MAX))
        return false;
    if (file_)
        return std::fseek(file_, static_cast<long>(offset), SEEK_SET) == 0;
    position_ = static_cast<size_t>(offset);
    return true;
}

void ByteSource::StepBack(size_t n)
{
    // Never before the first byte: the source stays where it is instead, as
    // a file does where the system refuses the seek (not every system does).
    if (file_) {
        const long here = std::ftell(file_);
        if (here >= 0 && static_cast<unsigned long>(here) >= n)
            std::fseek(file_, -static_cast<long>(n), SEEK_CUR);
    } else if (n <= position_) {
        position_ -= n;
    }
}

void ByteSource::SkipToEnd()
{
    if (file_)
        std::fseek(file_, 0, SEEK_END);
    else
        position_ = size_;
    failed_ = true;
}
