// Little-endian loads and stores on byte arrays: file fields are always read
// and written through these, never by laying a struct over the bytes.
#pragma once

#include <cstdint>
#include <cstring>

inline uint16_t LoadU16LE(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LoadU32LE(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t LoadI32LE(const uint8_t* p) { return static_cast<int32_t>(LoadU32LE(p)); }
inline float LoadF32LE(const uint8_t* p)
{
    uint32_t bits = LoadU32LE(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

inline void StoreU16LE(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreU32LE(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void StoreI32LE(uint8_t* p, int32_t v) { StoreU32LE(p, static_cast<uint32_t>(v)); }
inline void StoreF32LE(uint8_t* p, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    StoreU32LE(p, bits);
}
