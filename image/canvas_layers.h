// The layers of a canvas: a small mask tiled over the painted picture and
// an under layer that shows through where the mask is dark. The canvas
// decoder (formats/painter/canvas_reader.h) reads them and runs these
// operations with the settings the canvas file gives.
#pragma once

#include <cstdint>

#include "image/raster_image.h"

constexpr int32_t kPlainMaskSide = 100;   // the white mask of a canvas without layers

// Rescales the mask layer by maskScale percent (0 keeps its size) and levels
// it by maskLevel, which is clamped to -127..127 and stored back. With
// hasLayers 0 the mask becomes 100 x 100 white.
void PrepareMaskLayer(RasterImage& mask, uint8_t hasLayers, int8_t maskScale, int8_t& maskLevel);

enum BlendResult : int {
    kBlendDone = 0,
    // Nothing changed: the mask has no pixels to tile with.
    kBlendSkipped = -1,
};

// Blends the under layer into target through the mask, tiled from its first
// buffer row and column: a mask blue byte of 0 shows the under layer, 255
// keeps the painted picture (up to one step). Each painted byte takes the
// under layer's byte at the same offset of its block, which reads the layer
// with the target's row stride whatever its own size; painted bytes whose
// offset lies beyond the under layer's block stay.
int BlendLayers(RasterImage& target, const RasterImage& under, const RasterImage& mask);

enum ResizeResult : int {
    kResizeDone = 0,
    kResizeNoSource = -1,   // the source has no pixels; dest untouched
    kResizeRefused = -2,    // dest size beyond the limit or out of memory; dest untouched
};

// Makes dest a bilinear resample of source at width x height, with its
// headers filled. A source already of that size is copied unchanged.
int ResizeBilinear(const RasterImage& source, RasterImage& dest, int32_t width, int32_t height);
