// The blends of the view and of the save composite as they are defined: in
// double precision with the single-precision 1/255, truncated toward zero.
// The integer blend of image/pixel_blend.h must give exactly these bytes.
#pragma once

#include <cstdint>

// The view: d = m x k limited to 0..1, then trunc(b x (1 - d) + p x d).
inline uint8_t ViewBlendReference(uint8_t back, uint8_t picture, uint8_t mask)
{
    double d = static_cast<double>(mask) * static_cast<double>(1.0f / 255.0f);
    if (d >= 1.0)
        d = 1.0;
    const double v = back * (1.0 - d) + picture * d;
    return static_cast<uint8_t>(v >= 255.0 ? 255 : v > 0.0 ? static_cast<int>(v) : 0);
}

// The save: b = w x k, not limited, then trunc((1 - b) x g + b x f), clamped.
inline uint8_t SaveBlendReference(uint8_t background, uint8_t foreground, uint8_t weight)
{
    const double b = static_cast<double>(weight) * static_cast<double>(1.0f / 255.0f);
    const double v = (1.0 - b) * background + b * foreground;
    const int t = static_cast<int>(v);
    return static_cast<uint8_t>(t < 0 ? 0 : t > 255 ? 255 : t);
}
