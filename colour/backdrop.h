// The background a separated picture is shown and saved over: a
// checkerboard for the transparent mode, a solid colour otherwise. The view
// (app/view_layout.h) and the save pipeline build it.
#pragma once

#include <cstdint>

#include "image/raster_image.h"

constexpr int kCheckerSquare = 16;
constexpr uint8_t kCheckerGrey = 192;

// Makes backdrop width x height: a checkerboard of 16-pixel grey and white
// squares (grey at the bottom-left) for the transparent mode, otherwise solid
// bgColor (packed 0x00BBGGRR). Returns the size operation's result.
int BuildBackdrop(RasterImage& backdrop, int32_t width, int32_t height, int32_t backgroundMode, uint32_t bgColor);
