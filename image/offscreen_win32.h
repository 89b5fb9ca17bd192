// The off-screen drawing surface of a RasterImage: a memory device context
// with a bitmap selected into it, and the GDI form of the image's header.
#pragma once

#include <windows.h>

#include "image/raster_image.h"

// ReleaseOffscreen, then a memory device context compatible with dc (if the
// image has none) and a width x height bitmap compatible with dc in it.
void PrepareOffscreen(RasterImage& image, HDC dc, int width, int height);
// Replaces the bitmap of the surface by a new width x height one compatible
// with dc. Creates nothing when the image has no memory device context.
void MakeOffscreenBitmap(RasterImage& image, HDC dc, int width, int height);
// Releases the bitmap and deletes the memory device context.
void ReleaseOffscreen(RasterImage& image);

inline HDC MemoryDc(const RasterImage& image) { return static_cast<HDC>(image.memoryDc); }

// The image's info header as the BITMAPINFO the GDI drawing calls take.
BITMAPINFO GdiBitmapInfo(const RasterImage& image);
