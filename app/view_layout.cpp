#include "app/view_layout.h"

#include <cstring>

#include "image/pixel_blend.h"

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
    const int32_t w = picture.width;
    for (int32_t r = 0; r < picture.height; ++r) {
        const int64_t rowStart = int64_t{r} * picture.stride;
        BlendPixels(composed.pixels.data + rowStart, backdrop.pixels.data + rowStart, picture.pixels.data + rowStart,
                    mask.data + int64_t{r} * w, w, FullMask::kShowsPicture);
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

int RenderView(Document& doc, RasterImage& dest, float zoom)
{
    int result = BuildBackdrop(doc.Backdrop, doc.Picture.width, doc.Picture.height, doc.Transparency.BackgroundMode,
                               doc.Transparency.BGColor);
    if (result != kRasterOk)
        return result;
    const int32_t dw = DisplayLength(doc.Picture.width, zoom);
    const int32_t dh = DisplayLength(doc.Picture.height, zoom);
    if (dw == doc.Picture.width && dh == doc.Picture.height) {
        // Unzoomed, the composed image is the view: made straight into dest.
        result = ComposeView(dest, doc.Picture, doc.Backdrop, doc.AlphaMask, doc.Transparency.MaskActive);
    } else {
        RasterImage composed;
        const RasterImage* shown =
            ViewPicture(composed, doc.Picture, doc.Backdrop, doc.AlphaMask, doc.Transparency.MaskActive);
        result = shown ? StretchNearest(dest, *shown, dw, dh) : kRasterNoMemory;
    }
    if (result == kRasterOk)
        dest.FillHeaders();
    return result;
}
