#include "image/byte_buffer.h"

#include <cstring>

#include "image/pixel_block.h"

bool ByteBuffer::Allocate(int32_t size)
{
    bool zeroed = false;
    return Allocate(size, zeroed);
}

bool ByteBuffer::Allocate(int32_t size, bool& zeroed)
{
    zeroed = false;
    // A block of the right length is kept: a picture laid out again, or a
    // mask made again, then costs no fresh pages.
    if (size > 0 && size == length)
        return true;
    Free();
    if (size <= 0)
        return true;
    data = TakeBlock(static_cast<size_t>(size), zeroed);
    if (!data)
        return false;
    length = size;
    return true;
}

bool ByteBuffer::AllocateFilled(int32_t size, int value)
{
    bool zeroed = false;
    if (!Allocate(size, zeroed))
        return false;
    if (length > 0 && !(zeroed && (value & 0xFF) == 0))
        std::memset(data, value & 0xFF, static_cast<size_t>(length));
    return true;
}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept
{
    if (this != &other) {
        Free();
        data = other.data;
        length = other.length;
        other.data = nullptr;
        other.length = 0;
    }
    return *this;
}

void ByteBuffer::Free()
{
    if (length != 0) {
        GiveBackBlock(data, static_cast<size_t>(length));
        length = 0;
    }
    data = nullptr;
}

void ByteBuffer::Discard()
{
    if (length != 0) {
        ReleaseBlock(data, static_cast<size_t>(length));
        length = 0;
    }
    data = nullptr;
}
