#include "formats/standard/bmp_codec.h"

// BMP is not read yet: no file is taken for a BMP, and reading fails as for a
// file that does not start with "BM".
int IsBMPFile(const char*) { return 0; }
int ReadBMP(RasterImage&, const char*) { return -101; }
int LoadBMP(WindowHandle, const char*, RasterImage&) { return -1; }
