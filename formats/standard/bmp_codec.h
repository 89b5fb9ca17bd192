// BMP files: 24-bit uncompressed, read and written as they lie in memory.
#pragma once

#include "app/platform.h"
#include "image/raster_image.h"

#include <cstdio>

// Writes image as a 24-bit BMP file (headers computed from its size, then
// its pixel block as it is, padding included). True when every byte was
// written.
bool StoreBmpFile(std::FILE* file, const RasterImage& image);

// 1 when the name ends in ".bmp" (any case) and the file starts with "BM".
int IsBMPFile(const char* path);
// Records path in picture and reads the file into it: non-negative after a
// load, negative otherwise (the picture's pixels and headers unchanged).
int ReadBMP(RasterImage& picture, const char* path);
// The BMP open step of the dispatch: 0 after a load, -1 after its message.
int LoadBMP(WindowHandle window, const char* path, RasterImage& picture);
