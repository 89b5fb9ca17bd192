// An off-screen drawing surface: a memory device context with a bitmap
// selected into it. The window or dialog that draws from it owns it (the
// main window's back buffer, a dialog's pen pictures or swatches); the
// pictures drawn into it are RasterImages of their own.
#pragma once

#include <windows.h>

#include "image/raster_image.h"

class Offscreen {
public:
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;   // what the bitmap replaced in dc

    Offscreen() = default;
    ~Offscreen();
    Offscreen(const Offscreen&) = delete;
    Offscreen& operator=(const Offscreen&) = delete;
};

// ReleaseOffscreen, then a memory device context compatible with dc and a
// width x height bitmap compatible with dc in it.
void PrepareOffscreen(Offscreen& surface, HDC dc, int width, int height);
// Replaces the bitmap of the surface by a new width x height one compatible
// with dc. Creates nothing when the surface has no memory device context.
void MakeOffscreenBitmap(Offscreen& surface, HDC dc, int width, int height);
// Releases the bitmap and deletes the memory device context.
void ReleaseOffscreen(Offscreen& surface);

inline HDC MemoryDc(const Offscreen& surface) { return surface.dc; }

// The image's info header as the BITMAPINFO the GDI drawing calls take.
BITMAPINFO GdiBitmapInfo(const RasterImage& image);
