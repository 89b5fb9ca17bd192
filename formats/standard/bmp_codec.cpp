#include "formats/standard/bmp_codec.h"

bool StoreBmpFile(std::FILE* file, const RasterImage& image)
{
    const int64_t bytes = int64_t{image.stride} * image.height;
    if (image.width < 0 || image.height < 0 || bytes > image.pixels.length)
        return false;
    RasterImage headers;
    headers.width = image.width;
    headers.height = image.height;
    headers.stride = image.stride;
    headers.FillHeaders();
    uint8_t head[kFileHeaderBytes + kInfoHeaderBytes];
    StoreFileHeader(headers.fileHeader, head);
    StoreInfoHeader(headers.info.bmiHeader, head + kFileHeaderBytes);
    if (std::fwrite(head, 1, sizeof head, file) != sizeof head)
        return false;
    return bytes == 0 || std::fwrite(image.pixels.data, 1, static_cast<size_t>(bytes), file) == static_cast<size_t>(bytes);
}

// BMP is not read yet: no file is taken for a BMP, and reading fails as for a
// file that does not start with "BM".
int IsBMPFile(const char*) { return 0; }
int ReadBMP(RasterImage&, const char*) { return -101; }
int LoadBMP(WindowHandle, const char*, RasterImage&) { return -1; }
