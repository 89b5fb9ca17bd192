// Small arithmetic shared by the blends and conversions that work on pixel
// bytes: the same truncation everywhere, so equal formulas give equal bytes.
#pragma once

#include <cstdint>

// 1/255 rounded to single precision (0.0039215688593685627), a little above
// 1/255: the weight of one mask step in the view, the layers and the save.
constexpr float kInverse255f = 1.0f / 255.0f;

// A double-precision result truncated toward zero and kept within a byte
// (NaN and negatives give 0).
inline uint8_t TruncateToByte(double v)
{
    if (!(v > 0.0))
        return 0;
    if (v >= 255.0)
        return 255;
    return static_cast<uint8_t>(v);
}
