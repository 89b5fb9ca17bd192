// Reduction of a picture by area averaging, for thumbnails.
//
// The view shrinks a picture by dropping rows and columns, which is right for
// a window that must show the picture's own pixels at once; a thumbnail
// wants every source pixel to count. Here each output pixel is the average
// of the source area it covers, edge pixels weighted by the part they
// cover, computed exactly in integers and rounded once.
#pragma once

#include <cstdint>

#include "image/byte_buffer.h"
#include "image/raster_image.h"

struct ReducedSize {
    int32_t width = 0;
    int32_t height = 0;
};

// The size a width x height picture takes to fit within maxSide x maxSide
// with its aspect ratio kept: its own size when it fits (never enlarged),
// else the longer side becomes maxSide and the shorter is rounded to the
// nearest whole pixel, at least 1. maxSide must be at least 1.
ReducedSize FitWithin(int32_t width, int32_t height, int32_t maxSide);

enum class ReduceResult {
    kOk = 0,
    kBadSize,    // an empty source, or an output larger than the source or empty
    kNoMemory,
};

// Reduces source (width x height, at least 1 x 1) to out at size, which may
// not be larger than the source on either side. With mask (one opacity byte
// per source pixel, rows bottom-up like the picture's, no padding) the
// colours are averaged weighted by opacity, so that transparent pixels lend
// no colour to their neighbours, and the reduced opacities go to outMask;
// where an output pixel is wholly transparent its colour is the plain
// average. out and outMask keep their previous contents on failure.
ReduceResult ReduceByAreaAverage(const RasterImage& source, const uint8_t* mask, ReducedSize size,
                                 RasterImage& out, ByteBuffer* outMask);
