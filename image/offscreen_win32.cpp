#include "image/offscreen_win32.h"

namespace {

void ReleaseBitmap(RasterImage& image)
{
    if (image.offscreenBitmap) {
        if (image.memoryDc)
            SelectObject(MemoryDc(image), static_cast<HGDIOBJ>(image.previousObject));
        DeleteObject(static_cast<HGDIOBJ>(image.offscreenBitmap));
    }
    image.offscreenBitmap = nullptr;
    image.previousObject = nullptr;
}

}  // namespace

void ReleaseOffscreen(RasterImage& image)
{
    ReleaseBitmap(image);
    if (image.memoryDc)
        DeleteDC(MemoryDc(image));
    image.memoryDc = nullptr;
    image.releaseOffscreen = nullptr;
}

void MakeOffscreenBitmap(RasterImage& image, HDC dc, int width, int height)
{
    ReleaseBitmap(image);
    if (!image.memoryDc)
        return;
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    if (!bitmap)
        return;
    image.offscreenBitmap = bitmap;
    image.previousObject = SelectObject(MemoryDc(image), bitmap);
}

void PrepareOffscreen(RasterImage& image, HDC dc, int width, int height)
{
    ReleaseOffscreen(image);
    image.memoryDc = CreateCompatibleDC(dc);
    if (image.memoryDc)
        image.releaseOffscreen = ReleaseOffscreen;
    MakeOffscreenBitmap(image, dc, width, height);
}

BITMAPINFO GdiBitmapInfo(const RasterImage& image)
{
    const BitmapInfoHeader& h = image.info.bmiHeader;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = h.biWidth;
    info.bmiHeader.biHeight = h.biHeight;
    info.bmiHeader.biPlanes = h.biPlanes;
    info.bmiHeader.biBitCount = h.biBitCount;
    info.bmiHeader.biCompression = h.biCompression;
    info.bmiHeader.biSizeImage = h.biSizeImage;
    info.bmiHeader.biXPelsPerMeter = h.biXPelsPerMeter;
    info.bmiHeader.biYPelsPerMeter = h.biYPelsPerMeter;
    info.bmiHeader.biClrUsed = h.biClrUsed;
    info.bmiHeader.biClrImportant = h.biClrImportant;
    return info;
}
