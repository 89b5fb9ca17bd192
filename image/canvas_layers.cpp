#include "image/canvas_layers.h"

#include <algorithm>
#include <cfloat>

#include "image/pixel_blend.h"
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
    // Level 0 maps every byte to itself: nothing to write, and a mask the
    // stream did not fill keeps its pages unmade.
    if (threshold == 0)
        return;

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

    // Each byte is trunc(u x (1 - a) + p x a) with a = t x (1/255 as a
    // float) in double precision, t the mask's blue byte: the save's blend
    // of the painted byte over the under layer, which BlendPixels computes
    // exactly in integers. The mask is tiled, so its weights for a run of
    // pixels are gathered first.
    constexpr int64_t kRun = 2048;
    uint8_t weights[kRun];
    for (int32_t y = 0; y < target.height; ++y) {
        const int64_t rowStart = int64_t{y} * target.stride;
        if (rowStart >= underBytes)
            break;
        // Pixels whose three bytes all lie in the block, then at most one
        // pixel that the block's end cuts.
        const int64_t whole = std::min<int64_t>(target.width, (underBytes - rowStart) / 3);
        const uint8_t* maskRow = mask.pixels.data + mask.Offset(0, y % mask.height);
        uint8_t* painted = target.pixels.data + rowStart;
        const uint8_t* below = under.pixels.data + rowStart;
        int32_t column = 0;   // in the mask
        for (int64_t x = 0; x < whole; x += kRun) {
            const int64_t n = std::min(kRun, whole - x);
            for (int64_t i = 0; i < n; ++i) {
                weights[i] = maskRow[3 * column];
                if (++column == mask.width)
                    column = 0;
            }
            BlendPixels(painted + 3 * x, below + 3 * x, painted + 3 * x, weights, n, FullMask::kUnlimited);
        }
        if (whole < target.width) {
            const int64_t offset = 3 * whole;
            const uint8_t t = maskRow[3 * (whole % mask.width)];
            for (int64_t c = offset; c < underBytes - rowStart && c < offset + 3; ++c)
                painted[c] = BlendByte(below[c], painted[c], t, FullMask::kUnlimited);
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
