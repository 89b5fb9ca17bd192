// Writers of packed picture sections, the picture encoding of painter files
// (the painter picture and both pen pictures). In the writers library
// that the tests and the sample generator use; the viewer only reads.
//
// A section is an 8-byte head (mode, byte count N) and then either N raw
// bytes of the picture's pixel buffer (mode 0) or three run-length coded
// planes (mode 1): plane i holds the buffer bytes i, i + 3, i + 6, ... for
// the N / 3 plane positions. A run is a value byte and a length written as
// zero or more 0x00 bytes (256 each) and one non-zero byte. The functions
// only read the picture; a FILE* passed in stays open and the caller's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "image/raster_image.h"

// The head alone, with any mode and count (tests use it for hostile heads).
void AppendPackedHead(std::vector<uint8_t>& out, int32_t mode, int32_t count);

// `length` copies of value as runs. A length that is a multiple of 256 has no
// single-run form, so such a run is written as length - 1 and then 1.
// Length 0 writes nothing.
void AppendRuns(std::vector<uint8_t>& out, uint8_t value, uint32_t length);

// The runs of one plane of `count` bytes.
void AppendRunPlane(std::vector<uint8_t>& out, const uint8_t* plane, size_t count);

// A whole section for the picture's pixel buffer, N = stride x height. Mode
// 0 and 1 as above; any other mode writes the head alone.
void AppendPackedPicture(std::vector<uint8_t>& out, const RasterImage& picture, int32_t mode);
std::vector<uint8_t> PackedPictureBytes(const RasterImage& picture, int32_t mode);
bool WritePackedPicture(std::FILE* file, const RasterImage& picture, int32_t mode);
