// The arithmetic of the view: the backdrop behind a separated picture, the
// composition of the picture with its opacity mask, the zoomed display size
// and the client size the window is fitted to. The Win32 front end draws
// what these compute.
#pragma once

#include <cstdint>

#include "app/document.h"
#include "colour/backdrop.h"
#include "image/byte_buffer.h"
#include "image/raster_image.h"

constexpr int kMinimumClientWidth = 250;
constexpr int kStatusBarRoom = 20;

// Makes composed the picture as the view shows it: with maskActive 1, each
// pixel blended from backdrop to picture by its mask byte (255 picture,
// 0 backdrop); otherwise an unchanged copy of the picture. A mask shorter
// than width x height is treated as inactive rather than read past its end.
int ComposeView(RasterImage& composed, const RasterImage& picture, const RasterImage& backdrop,
                const ByteBuffer& mask, int32_t maskActive);

// True when ComposeView blends: maskActive 1 with a mask covering the
// picture and a backdrop of its size.
bool ViewBlends(const RasterImage& picture, const RasterImage& backdrop, const ByteBuffer& mask, int32_t maskActive);

// What the view draws, without a copy where ComposeView would make an
// unchanged one: the picture itself when nothing blends, otherwise composed
// as ComposeView makes it. Null when the composition cannot be made.
const RasterImage* ViewPicture(RasterImage& composed, const RasterImage& picture, const RasterImage& backdrop,
                               const ByteBuffer& mask, int32_t maskActive);

// trunc(length x zoom) with the exact single-precision factor.
int32_t DisplayLength(int32_t length, float zoom);

// Client width for a display width: at least kMinimumClientWidth.
int32_t ClientWidthFor(int32_t displayWidth);

// Makes dest the dw x dh stretch of source as the view draws it: each
// destination pixel takes the source pixel under it, so shrinking drops rows
// and columns without averaging.
int StretchNearest(RasterImage& dest, const RasterImage& source, int32_t dw, int32_t dh);

// What the window shows for the document: its Picture composed with its
// transparency state over its Backdrop (rebuilt here) and stretched to the
// zoom.
int RenderView(Document& doc, RasterImage& dest, float zoom);
