// BMP files: 24-bit uncompressed, read and written as they lie in memory.
#pragma once

#include "app/platform.h"
#include "image/raster_image.h"

// 1 when the name ends in ".bmp" (any case) and the file starts with "BM".
int IsBMPFile(const char* path);
// Records path in picture and reads the file into it: non-negative after a
// load, negative otherwise (the picture's pixels and headers unchanged).
int ReadBMP(RasterImage& picture, const char* path);
// The BMP open step of the dispatch: 0 after a load, -1 after its message.
int LoadBMP(WindowHandle window, const char* path, RasterImage& picture);
