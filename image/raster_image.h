// RasterImage: the 24-bit picture every part of the program passes around.
//
// The pixel block is laid out exactly like the pixel array of an uncompressed
// 24-bit BMP file and a Windows DIB: 3 bytes a pixel (blue, green, red), rows
// bottom-up (row 0 is the bottom row), each row padded to `stride`, which is
// 3 x width rounded up to a multiple of 4. Beside the pixels the image keeps
// the two BMP headers that describe it and the name of the file it came from.
// The surfaces the Win32 front end draws from belong to its windows
// (image/offscreen_win32.h).
//
// The image owns its pixel block. It is never copied as a whole (pixels are
// copied only by CopyPixelsFrom), only moved.
//
// Size limit: a pixel block of at most kMaxPixelBytes (256 MiB). Every size is
// checked in 64-bit arithmetic before anything is allocated; a size operation
// that is refused leaves the image empty (width, height, stride 0, no block),
// which is a consistent picture. Readers check PictureSizeAllowed before they
// touch the target so that a refused file leaves the previous picture intact.
#pragma once

#include <cstdint>
#include <utility>

#include "image/byte_buffer.h"

constexpr int kPathSize = 260;                       // MAX_PATH: every path buffer
#ifdef ZAVIK_MAX_PIXEL_BYTES
// The fuzz build's smaller limit (fuzz/CMakeLists.txt), so that each run stays fast.
constexpr int64_t kMaxPixelBytes = ZAVIK_MAX_PIXEL_BYTES;
#else
constexpr int64_t kMaxPixelBytes = int64_t{256} << 20;
#endif

// Results of the size operations.
enum RasterResult : int {
    kRasterOk = 0,
    kRasterTooLarge = -1,    // negative size, or a block beyond kMaxPixelBytes
    kRasterNoMemory = -2,    // the block could not be allocated
};

// Bytes per row for a width: 3 x width rounded up to a multiple of 4.
// Computed in 64 bits so that any int32 width is safe.
inline int64_t StrideForWidth(int64_t width) { return (3 * width + 3) / 4 * 4; }

// True when a width x height picture fits the limit (both >= 0).
bool PictureSizeAllowed(int64_t width, int64_t height);

// BITMAPFILEHEADER, 14 bytes in a file.
struct BitmapFileHeader {
    uint16_t bfType = 0;
    uint32_t bfSize = 0;
    uint16_t bfReserved1 = 0;
    uint16_t bfReserved2 = 0;
    uint32_t bfOffBits = 0;
};

// BITMAPINFOHEADER, 40 bytes in a file.
struct BitmapInfoHeader {
    uint32_t biSize = 0;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 0;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

// BITMAPINFO: the header and the one colour entry a 24-bit image never uses.
struct BitmapInfo {
    BitmapInfoHeader bmiHeader;
    uint8_t bmiColors[4] = {0, 0, 0, 0};
};

constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;

void StoreFileHeader(const BitmapFileHeader& h, uint8_t out[kFileHeaderBytes]);
void StoreInfoHeader(const BitmapInfoHeader& h, uint8_t out[kInfoHeaderBytes]);
BitmapFileHeader ParseFileHeader(const uint8_t in[kFileHeaderBytes]);
BitmapInfoHeader ParseInfoHeader(const uint8_t in[kInfoHeaderBytes]);

class RasterImage {
public:
    ByteBuffer pixels;
    BitmapInfo info;
    BitmapFileHeader fileHeader;
    char path[kPathSize] = {};
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;

    RasterImage() = default;
    RasterImage(const RasterImage&) = delete;
    RasterImage& operator=(const RasterImage&) = delete;
    // Moving hands over the pixels, headers, path and size and leaves the
    // source empty.
    RasterImage(RasterImage&& other) noexcept { *this = std::move(other); }
    RasterImage& operator=(RasterImage&& other) noexcept;

    // Stores the size, computes the stride and sizes the block (contents
    // unspecified; a block of the same length is kept). Headers and path are
    // left as they were. On a refused size the image becomes empty.
    int Resize(int32_t newWidth, int32_t newHeight);
    // As Resize, with every byte of the block, padding included, set to the
    // low 8 bits of value: -1 gives white, 0 black.
    int ResizeAndFill(int32_t newWidth, int32_t newHeight, int value);
    // Resize to the source's size, then copy its block. Headers and path of
    // this image are untouched.
    int CopyPixelsFrom(const RasterImage& source);
    // Sets both headers from width, height and stride.
    void FillHeaders();
    // Makes block the pixel block of a width x height image without copying
    // it (block must hold exactly StrideForWidth(width) x height bytes; the
    // old block goes to block). Headers and path are untouched.
    int TakePixels(ByteBuffer& block, int32_t newWidth, int32_t newHeight);

    bool Empty() const { return pixels.length == 0; }
    // Byte offset of the pixel in column x of buffer row r (0 = bottom).
    int64_t Offset(int32_t x, int32_t row) const { return int64_t{row} * stride + 3 * int64_t{x}; }

private:
    int SetSize(int32_t newWidth, int32_t newHeight, bool fill, int value);
};

// Moves from's pixels, size and headers into to, which keeps its path;
// from is left empty.
void AdoptPicture(RasterImage& to, RasterImage& from);

// Stores a packed 0x00BBGGRR colour into a pixel as blue, green, red.
inline void StoreColour(uint8_t* pixel, uint32_t colour)
{
    pixel[0] = static_cast<uint8_t>(colour >> 16);
    pixel[1] = static_cast<uint8_t>(colour >> 8);
    pixel[2] = static_cast<uint8_t>(colour);
}
