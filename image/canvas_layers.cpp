#include "image/canvas_layers.h"

#include <algorithm>
#include <cfloat>

#include "image/pixel_math.h"

namespace {

// The single-precision constants the layer arithmetic is defined with. They
// are not the exact decimal values (0.01f is 0.009999999776..., 1/255 as a
// float is 0.0039215688593...), and stored canvases look the way they do
// because of that: a 100 % mask is one pixel smaller than its source, and a
// white mask pixel can lose one step of the painted byte.
constexpr float kPercent = 0.01f;

// Every build evaluates floating point in its declared precision (the
// 32-bit Windows build uses SSE2, not the x87 unit), so the layers'
// arithmetic truncates the same numbers everywhere. D and F mark where a
// step is rounded to double or float.
static_assert(FLT_EVAL_METHOD == 0, "floating point must be evaluated in its declared precision");
inline double D(double v) { return v; }
inline float F(double v) { return static_cast<float>(v); }

// New side of a mask layer scaled by percent: (percent x side) x 0.01f in
// double precision, truncated, at least 1.
int32_t ScaledSide(int8_t percent, int32_t side)
{
    double scaled = D(static_cast<double>(int64_t{percent} * side) * static_cast<double>(kPercent));
    if (!(scaled >= 1.0))
        return 1;
    if (scaled >= static_cast<double>(INT32_MAX))
        return INT32_MAX;
    return static_cast<int32_t>(scaled);
}

}  // namespace

void PrepareMaskLayer(RasterImage& mask, uint8_t hasLayers, int8_t maskScale, int8_t& maskLevel)
{
    if (hasLayers == 0) {
        mask.ResizeAndFill(kPlainMaskSide, kPlainMaskSide, -1);
        return;
    }
    int32_t newWidth = mask.width;
    int32_t newHeight = mask.height;
    if (maskScale != 0) {
        newWidth = ScaledSide(maskScale, mask.width);
        newHeight = ScaledSide(maskScale, mask.height);
    }

    int level = maskLevel;
    if (level < -127)
        level = -127;
    maskLevel = static_cast<int8_t>(level);
    const int threshold = 2 * level;

    // In place: the resize builds its result apart and hands it over.
    ResizeBilinear(mask, mask, newWidth, newHeight);

    // Bytes from the threshold up are stretched over 0..255; the value
    // depends on the byte alone, so it is worked out once per byte value.
    uint8_t stretched[256];
    for (int v = 0; v < 256; ++v)
        stretched[v] = TruncateToByte(D(D(static_cast<double>(v - threshold) * 255.0) /
                                        static_cast<double>(255 - threshold)));
    for (int32_t row = 0; row < mask.height; ++row) {
        for (int32_t col = 0; col < mask.width; ++col) {
            uint8_t* p = mask.pixels.data + mask.Offset(col, row);
            if (p[0] < threshold) {
                p[0] = p[1] = p[2] = 0;
            } else {
                p[0] = stretched[p[0]];
                p[1] = stretched[p[1]];
                p[2] = stretched[p[2]];
            }
        }
    }
}

int BlendLayers(RasterImage& target, const RasterImage& under, const RasterImage& mask)
{
    if (mask.width <= 0 || mask.height <= 0 || mask.pixels.length == 0)
        return kBlendSkipped;
    // The under layer's byte for a painted byte is the one at the same
    // offset of its block: the layer is read with the picture's row stride,
    // not its own, whatever its size, as the format's blend is defined.
    // Painted bytes whose offset lies beyond the block stay as they are.
    const int64_t underBytes = under.pixels.length;

    // a = t x (1/255 as a float) and 1 - a for every mask byte t.
    double paintedWeight[256];
    double underWeight[256];
    for (int t = 0; t < 256; ++t) {
        paintedWeight[t] = D(static_cast<double>(t) * static_cast<double>(kInverse255f));
        underWeight[t] = D(1.0 - paintedWeight[t]);
    }
    for (int32_t y = 0; y < target.height; ++y) {
        const int64_t rowStart = int64_t{y} * target.stride;
        if (rowStart >= underBytes)
            break;
        // Pixels whose three bytes all lie in the block, then at most one
        // pixel that the block's end cuts.
        const int64_t whole = std::min<int64_t>(target.width, (underBytes - rowStart) / 3);
        const int32_t columns = static_cast<int32_t>(std::min<int64_t>(target.width, whole + 1));
        const uint8_t* maskRow = mask.pixels.data + mask.Offset(0, y % mask.height);
        for (int32_t x = 0; x < columns; ++x) {
            const int t = maskRow[3 * (x % mask.width)];
            const int64_t offset = target.Offset(x, y);
            uint8_t* painted = target.pixels.data + offset;
            const uint8_t* below = under.pixels.data + offset;
            const int bytes = static_cast<int>(std::min<int64_t>(3, underBytes - offset));
            for (int c = 0; c < bytes; ++c) {
                const double u = below[c];
                painted[c] = TruncateToByte(D(D(u * underWeight[t]) + D(painted[c] * paintedWeight[t])));
            }
        }
    }
    return kBlendDone;
}

int ResizeBilinear(const RasterImage& source, RasterImage& dest, int32_t width, int32_t height)
{
    if (source.width == width && source.height == height) {
        if (&source != &dest && dest.CopyPixelsFrom(source) != kRasterOk)
            return kResizeRefused;
        dest.FillHeaders();
        return kResizeDone;
    }
    if (source.width <= 0 || source.height <= 0 || source.pixels.length == 0)
        return kResizeNoSource;

    // Built apart and handed over at the end: dest may be the source, and a
    // refused size leaves dest as it was.
    // Each side is checked on its own first, so that the byte count of two
    // huge sides is never formed.
    if (width > kMaxPixelBytes || height > kMaxPixelBytes)
        return kResizeRefused;
    RasterImage result;
    if (result.Resize(width, height) != kRasterOk)
        return kResizeRefused;
    const int32_t sw = source.width, sh = source.height;
    if (width > 0 && height > 0) {
        const float sx = F(D(static_cast<double>(sw) / static_cast<double>(width)));
        const float sy = F(D(static_cast<double>(sh) / static_cast<double>(height)));
        for (int32_t i = 0; i < height; ++i) {
            const double y = D(static_cast<double>(i) * static_cast<double>(sy));
            const int32_t yi = static_cast<int32_t>(y);
            const float fy = F(D(y - yi));
            const int32_t y0 = yi < sh - 1 ? yi : sh - 1;
            const int32_t y1 = yi + 1 < sh - 1 ? yi + 1 : sh - 1;
            const double gy = D(1.0 - static_cast<double>(fy));
            uint8_t* out = result.pixels.data + result.Offset(0, i);
            for (int32_t k = 0; k < width; ++k) {
                const double x = D(static_cast<double>(k) * static_cast<double>(sx));
                const int32_t xi = static_cast<int32_t>(x);
                const float fx = F(D(x - xi));
                const int32_t x0 = xi < sw - 1 ? xi : sw - 1;
                const int32_t x1 = xi + 1 < sw - 1 ? xi + 1 : sw - 1;
                const double gx = D(1.0 - static_cast<double>(fx));
                const uint8_t* s00 = source.pixels.data + source.Offset(x0, y0);
                const uint8_t* s01 = source.pixels.data + source.Offset(x1, y0);
                const uint8_t* s10 = source.pixels.data + source.Offset(x0, y1);
                const uint8_t* s11 = source.pixels.data + source.Offset(x1, y1);
                for (int c = 0; c < 3; ++c) {
                    const double top = D(D(gx * s00[c]) + D(static_cast<double>(fx) * s01[c]));
                    const double bottom = D(D(gx * s10[c]) + D(static_cast<double>(fx) * s11[c]));
                    out[3 * k + c] = TruncateToByte(D(D(gy * top) + D(static_cast<double>(fy) * bottom)));
                }
            }
        }
    }
    dest.TakePixels(result.pixels, width, height);
    dest.FillHeaders();
    return kResizeDone;
}
