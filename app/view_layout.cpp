#include "app/view_layout.h"

#include <cstring>

#include "colour/transparency_state.h"
#include "image/program_objects.h"

namespace {

// 1/255 rounded to single precision (0.0039215688593685627), a little above 1/255.
constexpr float kInverse255 = 1.0f / 255.0f;

uint8_t TruncateToByte(double v)
{
    if (!(v > 0.0))
        return 0;
    if (v >= 255.0)
        return 255;
    return static_cast<uint8_t>(v);
}

}  // namespace

int BuildBackdrop(RasterImage& backdrop, int32_t width, int32_t height, int32_t backgroundMode, uint32_t bgColor)
{
    int result = backdrop.ResizeAndFill(width, height, -1);
    if (result != kRasterOk)
        return result;
    for (int32_t r = 0; r < backdrop.height; ++r) {
        uint8_t* row = backdrop.pixels.data + int64_t{r} * backdrop.stride;
        bool rowGrey = (r % (2 * kCheckerSquare)) < kCheckerSquare;
        for (int32_t c = 0; c < backdrop.width; ++c) {
            uint8_t* p = row + 3 * c;
            if (backgroundMode == kTransparent) {
                if (rowGrey == ((c % (2 * kCheckerSquare)) < kCheckerSquare))
                    p[0] = p[1] = p[2] = kCheckerGrey;
            } else {
                StoreColour(p, bgColor);
            }
        }
    }
    return kRasterOk;
}

uint8_t BlendViewByte(uint8_t backdrop, uint8_t picture, uint8_t mask)
{
    double d = static_cast<double>(mask) * static_cast<double>(kInverse255);
    if (d >= 1.0)
        d = 1.0;
    if (d < 0.0)
        d = 0.0;
    return TruncateToByte(backdrop * (1.0 - d) + picture * d);
}

int ComposeView(RasterImage& composed, const RasterImage& picture, const RasterImage& backdrop,
                const ByteBuffer& mask, int32_t maskActive)
{
    int64_t pixelCount = int64_t{picture.width} * picture.height;
    bool blend = maskActive == 1 && mask.length >= pixelCount && backdrop.width == picture.width &&
                 backdrop.height == picture.height;
    if (!blend)
        return composed.CopyPixelsFrom(picture);

    int result = composed.ResizeAndFill(picture.width, picture.height, 0);
    if (result != kRasterOk)
        return result;
    const int32_t w = picture.width;
    for (int32_t r = 0; r < picture.height; ++r) {
        int64_t rowStart = int64_t{r} * picture.stride;
        const uint8_t* m = mask.data + int64_t{r} * w;
        for (int32_t c = 0; c < w; ++c) {
            int64_t at = rowStart + 3 * c;
            for (int i = 0; i < 3; ++i)
                composed.pixels.data[at + i] =
                    BlendViewByte(backdrop.pixels.data[at + i], picture.pixels.data[at + i], m[c]);
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
    if (result == kRasterOk)
        result = ComposeView(composed, Picture, Backdrop, AlphaMask, Transparency.MaskActive);
    if (result == kRasterOk)
        result = StretchNearest(dest, composed, DisplayLength(Picture.width, zoom), DisplayLength(Picture.height, zoom));
    if (result == kRasterOk)
        dest.FillHeaders();
    return result;
}
