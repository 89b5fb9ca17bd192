#include "image/offscreen_win32.h"

namespace {

void ReleaseBitmap(Offscreen& surface)
{
    if (surface.bitmap) {
        if (surface.dc)
            SelectObject(surface.dc, surface.previous);
        DeleteObject(surface.bitmap);
    }
    surface.bitmap = nullptr;
    surface.previous = nullptr;
}

}  // namespace

Offscreen::~Offscreen() { ReleaseOffscreen(*this); }

void ReleaseOffscreen(Offscreen& surface)
{
    ReleaseBitmap(surface);
    if (surface.dc)
        DeleteDC(surface.dc);
    surface.dc = nullptr;
}

void MakeOffscreenBitmap(Offscreen& surface, HDC dc, int width, int height)
{
    ReleaseBitmap(surface);
    if (!surface.dc)
        return;
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    if (!bitmap)
        return;
    surface.bitmap = bitmap;
    surface.previous = SelectObject(surface.dc, bitmap);
}

void PrepareOffscreen(Offscreen& surface, HDC dc, int width, int height)
{
    ReleaseOffscreen(surface);
    surface.dc = CreateCompatibleDC(dc);
    MakeOffscreenBitmap(surface, dc, width, height);
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
