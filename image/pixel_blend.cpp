#include "image/pixel_blend.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// From the exact integer of the header to bytes: with t = (p - b) x m the
// byte is b + floor(t x 8421505 / 2^31), and 8421505 / 2^31 is
// (1 + 127 / 2^31) / 255. The excess is below 1/255 for every |t| <= 65025,
// so it moves floor(t / 255) only where t / 255 is an integer: a positive t
// keeps it, a negative t falls just below it. Hence the byte is
//     b + q        for t >= 0,
//     b - q - 1    for t < 0,      q = floor(|t| / 255),
// and floor(s / 255) = (s x 32897) >> 23 for every s <= 66051. With mask 255
// and d unlimited, a smaller picture byte gives p - 1, and p 0 gives -1,
// which the truncation toward zero and the clamp make 0.

namespace {

constexpr uint32_t kDivide255 = 32897;   // floor(s / 255) = (s x 32897) >> 23

}  // namespace

uint8_t BlendByte(uint8_t back, uint8_t picture, uint8_t mask, FullMask full)
{
    if (mask == 255 && full == FullMask::kShowsPicture)
        return picture;
    const int x = picture - back;
    const uint32_t q = (static_cast<uint32_t>(x < 0 ? -x : x) * mask * kDivide255) >> 23;
    const int v = x < 0 && mask != 0 ? back - static_cast<int>(q) - 1 : back + static_cast<int>(q);
    return static_cast<uint8_t>(v < 0 ? 0 : v);
}

#ifdef __SSE2__

namespace {

// Eight bytes and their weights in 16-bit lanes: b + q or b - q - 1 as
// above; with opaque, weight 255 gives the picture.
inline __m128i BlendLanes(__m128i b, __m128i p, __m128i m, bool opaque)
{
    const __m128i x = _mm_sub_epi16(p, b);
    const __m128i negative = _mm_srai_epi16(x, 15);
    const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(x, negative), negative);
    const __m128i s = _mm_mullo_epi16(magnitude, m);   // at most 65025: exact as unsigned
    const __m128i q =
        _mm_srli_epi16(_mm_mulhi_epu16(s, _mm_set1_epi16(static_cast<short>(kDivide255))), 7);
    const __m128i below = _mm_and_si128(negative, _mm_cmpgt_epi16(m, _mm_setzero_si128()));
    const __m128i v = _mm_add_epi16(b, _mm_xor_si128(q, below));   // q ^ -1 is -q - 1
    if (!opaque)
        return v;
    const __m128i full = _mm_cmpeq_epi16(m, _mm_set1_epi16(255));
    return _mm_or_si128(_mm_and_si128(full, p), _mm_andnot_si128(full, v));
}

// The weights of the 24 bytes of eight pixels whose mask bytes are the
// 16-bit lanes of m: three vectors of eight lanes (m0 m0 m0 m1 m1 m1 m2 m2,
// m2 m3 m3 m3 m4 m4 m4 m5, m5 m5 m6 m6 m6 m7 m7 m7).
inline void SpreadWeights(__m128i m, __m128i out[3])
{
    __m128i t = _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 0, 0));
    out[0] = _mm_shufflehi_epi16(_mm_shufflelo_epi16(t, _MM_SHUFFLE(1, 0, 0, 0)), _MM_SHUFFLE(2, 2, 1, 1));
    t = _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 2, 1, 1));
    out[1] = _mm_shufflehi_epi16(_mm_shufflelo_epi16(t, _MM_SHUFFLE(1, 1, 1, 0)), _MM_SHUFFLE(1, 0, 0, 0));
    t = _mm_shuffle_epi32(m, _MM_SHUFFLE(3, 3, 3, 2));
    out[2] = _mm_shufflehi_epi16(_mm_shufflelo_epi16(t, _MM_SHUFFLE(2, 2, 1, 1)), _MM_SHUFFLE(1, 1, 1, 0));
}

constexpr int kChunkPixels = 16;
constexpr int kChunkBytes = 3 * kChunkPixels;

// Blends whole chunks of 16 pixels; returns how many pixels it did.
int64_t BlendChunks(uint8_t* out, const uint8_t* back, const uint8_t* picture, const uint8_t* mask, int64_t count,
                    FullMask full)
{
    alignas(16) static const uint8_t kWhite[kChunkBytes] = {
        255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
        255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
        255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
    const bool opaque = full == FullMask::kShowsPicture;
    const int64_t chunks = count / kChunkPixels;
    const __m128i zero = _mm_setzero_si128();
    const __m128i ones = _mm_set1_epi8(-1);
    for (int64_t n = 0; n < chunks; ++n) {
        const uint8_t* b = back ? back : kWhite;
        const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask));
        // Whole chunks of one extreme are copies (weight 0 gives the
        // backdrop exactly, and so does weight 1 the picture in the view).
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(m, zero)) == 0xFFFF) {
            std::memcpy(out, b, kChunkBytes);
        } else if (opaque && _mm_movemask_epi8(_mm_cmpeq_epi8(m, ones)) == 0xFFFF) {
            std::memmove(out, picture, kChunkBytes);
        } else {
            __m128i weights[6];
            SpreadWeights(_mm_unpacklo_epi8(m, zero), weights);
            SpreadWeights(_mm_unpackhi_epi8(m, zero), weights + 3);
            for (int k = 0; k < 3; ++k) {
                const __m128i bv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16 * k));
                const __m128i pv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(picture + 16 * k));
                const __m128i low = BlendLanes(_mm_unpacklo_epi8(bv, zero), _mm_unpacklo_epi8(pv, zero),
                                               weights[2 * k], opaque);
                const __m128i high = BlendLanes(_mm_unpackhi_epi8(bv, zero), _mm_unpackhi_epi8(pv, zero),
                                                weights[2 * k + 1], opaque);
                // -1 (an unlimited full weight over a picture byte 0) becomes 0.
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * k), _mm_packus_epi16(low, high));
            }
        }
        out += kChunkBytes;
        picture += kChunkBytes;
        mask += kChunkPixels;
        if (back)
            back += kChunkBytes;
    }
    return chunks * kChunkPixels;
}

}  // namespace

#endif

void BlendPixels(uint8_t* out, const uint8_t* back, const uint8_t* picture, const uint8_t* mask, int64_t count,
                 FullMask full)
{
    int64_t done = 0;
#ifdef __SSE2__
    done = BlendChunks(out, back, picture, mask, count, full);
#endif
    for (int64_t i = 3 * done; i < 3 * count; ++i)
        out[i] = BlendByte(back ? back[i] : 255, picture[i], mask[i / 3], full);
}
