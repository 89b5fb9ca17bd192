// PNG files.
#pragma once

#include "app/platform.h"
#include "image/raster_image.h"

// 1 when the file starts with the PNG signature, otherwise 0.
int IsPNGFile(const char* path);
// Reads path into picture: 0 after a load (path recorded, AlphaMask and
// MaskActive possibly set), -1 after its message.
int LoadPNG(WindowHandle window, const char* path, RasterImage& picture);
