#include "image/raster_image.h"

#include <cstring>
#include <utility>

#include "image/little_endian.h"

bool PictureSizeAllowed(int64_t width, int64_t height)
{
    if (width < 0 || height < 0 || width > INT32_MAX || height > INT32_MAX)
        return false;
    // Each side on its own first, so that the product cannot overflow.
    if (width > kMaxPixelBytes || height > kMaxPixelBytes)
        return width == 0 || height == 0 ? width <= INT32_MAX : false;
    return StrideForWidth(width) * height <= kMaxPixelBytes;
}

void StoreFileHeader(const BitmapFileHeader& h, uint8_t out[kFileHeaderBytes])
{
    StoreU16LE(out + 0, h.bfType);
    StoreU32LE(out + 2, h.bfSize);
    StoreU16LE(out + 6, h.bfReserved1);
    StoreU16LE(out + 8, h.bfReserved2);
    StoreU32LE(out + 10, h.bfOffBits);
}

void StoreInfoHeader(const BitmapInfoHeader& h, uint8_t out[kInfoHeaderBytes])
{
    StoreU32LE(out + 0, h.biSize);
    StoreI32LE(out + 4, h.biWidth);
    StoreI32LE(out + 8, h.biHeight);
    StoreU16LE(out + 12, h.biPlanes);
    StoreU16LE(out + 14, h.biBitCount);
    StoreU32LE(out + 16, h.biCompression);
    StoreU32LE(out + 20, h.biSizeImage);
    StoreI32LE(out + 24, h.biXPelsPerMeter);
    StoreI32LE(out + 28, h.biYPelsPerMeter);
    StoreU32LE(out + 32, h.biClrUsed);
    StoreU32LE(out + 36, h.biClrImportant);
}

BitmapFileHeader ParseFileHeader(const uint8_t in[kFileHeaderBytes])
{
    BitmapFileHeader h;
    h.bfType = LoadU16LE(in + 0);
    h.bfSize = LoadU32LE(in + 2);
    h.bfReserved1 = LoadU16LE(in + 6);
    h.bfReserved2 = LoadU16LE(in + 8);
    h.bfOffBits = LoadU32LE(in + 10);
    return h;
}

BitmapInfoHeader ParseInfoHeader(const uint8_t in[kInfoHeaderBytes])
{
    BitmapInfoHeader h;
    h.biSize = LoadU32LE(in + 0);
    h.biWidth = LoadI32LE(in + 4);
    h.biHeight = LoadI32LE(in + 8);
    h.biPlanes = LoadU16LE(in + 12);
    h.biBitCount = LoadU16LE(in + 14);
    h.biCompression = LoadU32LE(in + 16);
    h.biSizeImage = LoadU32LE(in + 20);
    h.biXPelsPerMeter = LoadI32LE(in + 24);
    h.biYPelsPerMeter = LoadI32LE(in + 28);
    h.biClrUsed = LoadU32LE(in + 32);
    h.biClrImportant = LoadU32LE(in + 36);
    return h;
}

RasterImage& RasterImage::operator=(RasterImage&& other) noexcept
{
    if (this == &other)
        return *this;
    pixels = std::move(other.pixels);
    info = other.info;
    fileHeader = other.fileHeader;
    std::memcpy(path, other.path, sizeof path);
    width = other.width;
    height = other.height;
    stride = other.stride;
    other.info = BitmapInfo();
    other.fileHeader = BitmapFileHeader();
    std::memset(other.path, 0, sizeof other.path);
    other.width = other.height = other.stride = 0;
    return *this;
}

int RasterImage::SetSize(int32_t newWidth, int32_t newHeight, bool fill, int value)
{
    width = height = stride = 0;
    if (!PictureSizeAllowed(newWidth, newHeight)) {
        pixels.Free();
        return kRasterTooLarge;
    }
    int32_t newStride = static_cast<int32_t>(StrideForWidth(newWidth));
    int32_t bytes = static_cast<int32_t>(int64_t{newStride} * newHeight);
    bool ok = fill ? pixels.AllocateFilled(bytes, value) : pixels.Allocate(bytes);
    if (!ok)
        return kRasterNoMemory;
    width = newWidth;
    height = newHeight;
    stride = newStride;
    return kRasterOk;
}

int RasterImage::Resize(int32_t newWidth, int32_t newHeight) { return SetSize(newWidth, newHeight, false, 0); }

int RasterImage::ResizeAndFill(int32_t newWidth, int32_t newHeight, int value)
{
    return SetSize(newWidth, newHeight, true, value);
}

int RasterImage::CopyPixelsFrom(const RasterImage& source)
{
    if (&source == this)
        return kRasterOk;
    int result = Resize(source.width, source.height);
    if (result == kRasterOk && pixels.length > 0)
        std::memcpy(pixels.data, source.pixels.data, static_cast<size_t>(pixels.length));
    return result;
}

int RasterImage::TakePixels(ByteBuffer& block, int32_t newWidth, int32_t newHeight)
{
    if (!PictureSizeAllowed(newWidth, newHeight) || StrideForWidth(newWidth) * newHeight != block.length)
        return kRasterTooLarge;
    std::swap(pixels, block);
    width = newWidth;
    height = newHeight;
    stride = static_cast<int32_t>(StrideForWidth(newWidth));
    return kRasterOk;
}

void RasterImage::FillHeaders()
{
    uint32_t imageBytes = static_cast<uint32_t>(stride) * static_cast<uint32_t>(height);
    fileHeader.bfType = 0x4D42;
    fileHeader.bfSize = imageBytes + 54;
    fileHeader.bfReserved1 = 0;
    fileHeader.bfReserved2 = 0;
    fileHeader.bfOffBits = 54;

    BitmapInfoHeader& h = info.bmiHeader;
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = 0;
    h.biSizeImage = imageBytes;
    h.biXPelsPerMeter = 0;
    h.biYPelsPerMeter = 0;
    h.biClrUsed = 0;
    h.biClrImportant = 0;
}

void AdoptPicture(RasterImage& to, RasterImage& from)
{
    char path[kPathSize];
    std::memcpy(path, to.path, sizeof path);
    to = std::move(from);
    std::memcpy(to.path, path, sizeof path);
}
