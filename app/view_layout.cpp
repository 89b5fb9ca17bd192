#include "app/view_layout.h"

#include <cfloat>
#include <cstring>

#include "colour/transparency_state.h"
#include "image/pixel_math.h"
#include "image/program_objects.h"

// The blends truncate double-precision results: every build must evaluate
// in the declared precision (the 32-bit Windows build uses SSE2).
static_assert(FLT_EVAL_METHOD == 0, "floating point must be evaluated in its declared precision");

int BuildBackdrop(RasterImage& backdrop, int32_t width, int32_t height, int32_t backgroundMode, uint32_t bgColor)
{
    int result = backdrop.ResizeAndFill(width, height, -1);
    if (result != kRasterOk || backdrop.height == 0)
        return result;
    // Every row is one of two patterns (solid colour: one): build them in
    // the first two rows, then copy them down.
    const int patterns = backgroundMode == kTransparent && height > kCheckerSquare ? 2 : 1;
    for (int k = 0; k < patterns; ++k) {
        uint8_t* row = backdrop.pixels.data + int64_t{k * kCheckerSquare} * backdrop.stride;
        for (int32_t c = 0; c < backdrop.width; ++c) {
            uint8_t* p = row + 3 * c;
            if (backgroundMode == kTransparent) {
                bool greyRow = k == 0;   // row 0 at the bottom starts grey
                if (greyRow == ((c % (2 * kCheckerSquare)) < kCheckerSquare))
                    p[0] = p[1] = p[2] = kCheckerGrey;
            } else {
                StoreColour(p, bgColor);
            }
        }
    }
    const size_t rowBytes = static_cast<size_t>(3 * int64_t{backdrop.width});
    for (int32_t r = 0; r < backdrop.height; ++r) {
        int32_t source = backgroundMode == kTransparent && (r % (2 * kCheckerSquare)) >= kCheckerSquare
                             ? kCheckerSquare
                             : 0;
        if (r != source)
            std::memcpy(backdrop.pixels.data + int64_t{r} * backdrop.stride,
                        backdrop.pixels.data + int64_t{source} * backdrop.stride, rowBytes);
    }
    return kRasterOk;
}

namespace {

// The mask weight d of the view's blend, limited to 0..1.
double ViewWeight(uint8_t mask)
{
    double d = static_cast<double>(mask) * static_cast<double>(kInverse255f);
    if (d >= 1.0)
        d = 1.0;
    if (d < 0.0)
        d = 0.0;
    return d;
}

}  // namespace

uint8_t BlendViewByte(uint8_t backdrop, uint8_t picture, uint8_t mask)
{
    double d = ViewWeight(mask);
    return TruncateToByte(backdrop * (1.0 - d) + picture * d);
}

bool ViewBlends(const RasterImage& picture, const RasterImage& backdrop, const ByteBuffer& mask, int32_t maskActive)
{
    const int64_t pixelCount = int64_t{picture.width} * picture.height;
    return maskActive == 1 && mask.length >= pixelCount && backdrop.width == picture.width &&
           backdrop.height == picture.height;
}

const RasterImage* ViewPicture(RasterImage& composed, const RasterImage& picture, const RasterImage& backdrop,
                               const ByteBuffer& mask, int32_t maskActive)
{
    if (!ViewBlends(picture, backdrop, mask, maskActive))
        return &picture;
    return ComposeView(composed, picture, backdrop, mask, maskActive) == kRasterOk ? &composed : nullptr;
}

int ComposeView(RasterImage& composed, const RasterImage& picture, const RasterImage& backdrop,
                const ByteBuffer& mask, int32_t maskActive)
{
    if (!ViewBlends(picture, backdrop, mask, maskActive))
        return composed.CopyPixelsFrom(picture);

    // Every pixel byte is written below; only the row padding is cleared.
    int result = composed.Resize(picture.width, picture.height);
    if (result != kRasterOk)
        return result;
    const size_t rowBytes = static_cast<size_t>(3 * int64_t{picture.width});
    for (int32_t r = 0; r < picture.height; ++r)
        std::memset(composed.pixels.data + int64_t{r} * composed.stride + rowBytes, 0,
                    static_cast<size_t>(composed.stride) - rowBytes);
    // The weights depend on the mask byte only.
    double weight[256], rest[256];
    for (int m = 0; m < 256; ++m) {
        weight[m] = ViewWeight(static_cast<uint8_t>(m));
        rest[m] = 1.0 - weight[m];
    }
    const int32_t w = picture.width;
    for (int32_t r = 0; r < picture.height; ++r) {
        const int64_t rowStart = int64_t{r} * picture.stride;
        const uint8_t* m = mask.data + int64_t{r} * w;
        const uint8_t* b = backdrop.pixels.data + rowStart;
        const uint8_t* p = picture.pixels.data + rowStart;
        uint8_t* out = composed.pixels.data + rowStart;
        for (int32_t c = 0; c < w; ++c) {
            // Weight 0 gives the backdrop and weight 1 the picture exactly
            // (x * 1 + y * 0 is x in double precision), so those are copied.
            const uint8_t mc = m[c];
            if (mc == 0 || mc == 255) {
                std::memcpy(out + 3 * c, (mc == 0 ? b : p) + 3 * c, 3);
                continue;
            }
            const double d = weight[mc], e = rest[mc];
            for (int i = 3 * c; i < 3 * c + 3; ++i)
                out[i] = TruncateToByte(b[i] * e + p[i] * d);
        }
    }
    return kRasterOk;
}

int32_t DisplayLength(int32_t length, float zoom)
{
    double v = static_cast<double>(length) * static_cast<double>(zoom);
    if (!(v > 0.0))
        return 0;
    if (v >= 2147483647.0)
        return INT32_MAX;
    return static_cast<int32_t>(v);
}

int32_t ClientWidthFor(int32_t displayWidth)
{
    return displayWidth > kMinimumClientWidth ? displayWidth : kMinimumClientWidth;
}

int StretchNearest(RasterImage& dest, const RasterImage& source, int32_t dw, int32_t dh)
{
    if (dw == source.width && dh == source.height)
        return dest.CopyPixelsFrom(source);
    int result = dest.ResizeAndFill(dw, dh, 0);
    if (result != kRasterOk || source.Empty())
        return result;
    for (int32_t row = 0; row < dh; ++row) {
        const int64_t sr = int64_t{row} * source.height / dh;
        const uint8_t* in = source.pixels.data + sr * source.stride;
        uint8_t* out = dest.pixels.data + int64_t{row} * dest.stride;
        for (int32_t x = 0; x < dw; ++x) {
            const int64_t sx = int64_t{x} * source.width / dw;
            std::memcpy(out + 3 * x, in + 3 * sx, 3);
        }
    }
    return kRasterOk;
}

int RenderView(RasterImage& dest, float zoom)
{
    RasterImage composed;
    int result = BuildBackdrop(Backdrop, Picture.width, Picture.height, Transparency.BackgroundMode,
                               Transparency.BGColor);
    const RasterImage* shown = nullptr;
    if (result == kRasterOk) {
        shown = ViewPicture(composed, Picture, Backdrop, AlphaMask, Transparency.MaskActive);
        if (!shown)
            result = kRasterNoMemory;
    }
    if (result == kRasterOk)
        result = StretchNearest(dest, *shown, DisplayLength(Picture.width, zoom), DisplayLength(Picture.height, zoom));
    if (result == kRasterOk)
        dest.FillHeaders();
    return result;
}
