// ByteBuffer: an owned byte array with a signed 32-bit length.
//
// Length 0 and owning no block are the same state. Allocation failure leaves
// the buffer empty (never a dangling or short block), so callers that must
// know check `length` or the result of Allocate.
#pragma once

#include <cstdint>

class ByteBuffer {
public:
    uint8_t* data = nullptr;
    int32_t length = 0;

    ByteBuffer() = default;
    explicit ByteBuffer(int32_t size) { Allocate(size); }
    ~ByteBuffer() { Free(); }
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    // A moved-from buffer is empty.
    ByteBuffer(ByteBuffer&& other) noexcept : data(other.data), length(other.length)
    {
        other.data = nullptr;
        other.length = 0;
    }
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;

    // Makes the block `size` bytes long (contents unspecified): a block of
    // that length is kept, any other is freed before a new one is taken.
    // size <= 0 leaves the buffer empty. Returns false when the block could
    // not be had; the buffer is then empty.
    bool Allocate(int32_t size);
    // As Allocate; zeroed tells whether every byte is known to be 0 (a large
    // block new from the system, image/pixel_block.h), which spares the
    // caller clearing what it does not write.
    bool Allocate(int32_t size, bool& zeroed);
    // As Allocate, then every byte is the low 8 bits of `value` (a block
    // known to be zero is not written for 0).
    bool AllocateFilled(int32_t size, int value);
    // Free keeps a large block for the next request of its size
    // (image/pixel_block.h); Discard gives it back to the system.
    void Free();
    void Discard();
};
