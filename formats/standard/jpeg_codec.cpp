#include "formats/standard/jpeg_codec.h"

// JPEG is not read yet: no name is taken for a JPEG, and reading fails as for
// a file that is not a JPEG.
int DecodeJPEG(std::FILE*, RasterImage&) { return 0; }
bool IsJPEGName(const char*) { return false; }
int ReadJPEG(const char*, RasterImage&) { return 0; }
int LoadJPEG(WindowHandle, const char*, RasterImage&, int) { return -1; }
int EncodeJPEG(std::FILE*, const RasterImage&, int, int) { return 0; }
