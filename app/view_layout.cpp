#include "app/view_layout.h"

#include <cstring>

#include "colour/transparency_state.h"

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
