#include "image/byte_buffer.h"

#include <cstring>
#include <new>

#include "image/memory_budget.h"

namespace {

MemoryUseWatcher gMemoryUseWatcher = nullptr;

}  // namespace

void SetMemoryUseWatcher(MemoryUseWatcher watcher) { gMemoryUseWatcher = watcher; }

void NoteMemoryUse(int64_t change)
{
    if (gMemoryUseWatcher && change != 0)
        gMemoryUseWatcher(change);
}

bool ByteBuffer::Allocate(int32_t size)
{
    // A block of the right length is kept: a picture laid out again, or a
    // mask made again, then costs no fresh pages.
    if (size > 0 && size == length)
        return true;
    Free();
    if (size <= 0)
        return true;
    NoteMemoryUse(size);
    data = new (std::nothrow) uint8_t[static_cast<size_t>(size)];
    if (!data) {
        NoteMemoryUse(-int64_t{size});
        return false;
    }
    length = size;
    return true;
}

bool ByteBuffer::AllocateFilled(int32_t size, int value)
{
    if (!Allocate(size))
        return false;
    if (length > 0)
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
        delete[] data;
        NoteMemoryUse(-int64_t{length});
        length = 0;
    }
    data = nullptr;
}
