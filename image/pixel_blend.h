// The blend of a picture over a backdrop by an opacity mask, for whole rows.
//
// The view and the save composite both define each byte as
//     trunc(b x (1 - d) + p x d),  d = m x k in double precision,
// with k the single-precision 1/255 and m the mask byte. k is exactly
// 8421505 / 2^31, so d, 1 - d and both products are dyadic fractions with at
// most 40 significant bits: the double-precision evaluation is exact, and
// the byte is the integer (b x (2^31 - m x 8421505) + p x m x 8421505) / 2^31
// rounded toward zero. BlendPixels computes that integer (in 16-bit lanes
// where the processor has SSE2), so it gives exactly the bytes of the
// double-precision definitions; tests compare every (mask, backdrop,
// picture) triple with them.
#pragma once

#include <cstdint>

// How mask 255 is weighted (every other mask byte is the same in both).
enum class FullMask {
    kShowsPicture,   // the view limits d to 1: mask 255 gives the picture exactly
    kUnlimited,      // the save keeps d = 255 x k, a little above 1: the byte just
                     // below a smaller picture byte, 0 at least
};

// Blends count pixels (3 bytes each): out[i] from back[i] and picture[i] by
// mask[i / 3]. back null is a white backdrop. out is picture itself (each
// byte is read before it is written) or overlaps neither.
void BlendPixels(uint8_t* out, const uint8_t* back, const uint8_t* picture, const uint8_t* mask, int64_t count,
                 FullMask full);

// One byte of the same blend.
uint8_t BlendByte(uint8_t back, uint8_t picture, uint8_t mask, FullMask full);
