// BMP files: uncompressed 24-bit Windows bitmaps, read into and written from
// a RasterImage, whose pixel block already has their layout.
//
// Owned here: the BMP test of the open dispatch (app/open_dispatch.cpp), the
// reader with its result codes, the BMP open step with its messages, and the
// encoder the save pipeline (save_pipeline.h) writes with.
//
// Reading accepts the 40-byte information header and the longer ones (V4,
// V5) that many tools write for plain 24-bit files, honours the pixel data
// offset, and turns top-down files into the picture's bottom-up row order.
#pragma once

#include <cstdio>

#include "image/byte_source.h"
#include "image/front_end.h"
#include "image/raster_image.h"

// Results of ReadBMP and LoadBMPPixels.
enum BMPReadResult : int {
    kBMPRead = 0,
    kBMPRowsFailed = -3,          // reading the pixel rows failed
    kBMPFileHeaderFailed = -4,    // fewer than 14 bytes of file header
    kBMPInfoHeaderFailed = -5,    // information header short or shorter than 40 bytes
    kBMPNot24Bit = -6,            // bits per pixel other than 24
    kBMPCompressed = -7,          // compression other than none
    kBMPSeekFailed = -8,          // the pixel data offset cannot be reached
    kBMPBadSize = -10,            // width or height 0 or less, or beyond the picture limit
    kBMPNoMemory = -11,           // no block for the pixels
    kBMPOpenFailed = -100,        // the file cannot be opened with mode "rb"
    kBMPNotBM = -101,             // the file does not start with "BM"
};

// Writes picture into an open file ("wb") as a 24-bit BMP file: headers
// computed from its size, then its pixel block as it is, padding included.
// 1 when every byte was written; 0 after a failed write, and 0 with nothing
// written for an empty picture. The file is not closed.
int EncodeBMP(const RasterImage& picture, std::FILE* file);

// True when the name ends in ".bmp" (any case).
bool IsBMPName(const char* path);

// 0 when the name does not end in ".bmp" (any case), -1 when the file cannot
// be opened, otherwise 1 when it starts with "BM" and 0 when not.
int IsBMPFile(const InputFile& input);

// Records the file's name in picture (after checking that the file starts
// with "BM") and loads it as LoadBMPPixels does, from one open of the file.
// kBMPRead after a load, otherwise a negative result with the picture's size,
// headers and pixels unchanged.
int ReadBMP(const InputFile& input, RasterImage& picture);

// Loads the file named by picture's path. The picture takes the two headers
// as read (with the information header's size 40 and its height positive,
// as they describe the block it now holds), width, absolute height, the
// stride and the rows, bottom row first. Rows a short file does not supply
// are zero. Nothing changes unless the result is kBMPRead.
int LoadBMPPixels(RasterImage& picture);

// The BMP open step of the dispatch: 0 after a load, -1 after its message.
int LoadBMP(FrontEnd& ui, const InputFile& input, RasterImage& picture);

