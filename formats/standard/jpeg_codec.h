// JPEG files and JPEG streams inside painter and canvas files.
#pragma once

#include "image/byte_source.h"
#include "image/memory_budget.h"
#include "image/front_end.h"
#include "image/raster_image.h"

#include <cstdio>

// Decodes the JPEG stream that starts at the source's current position into
// picture. 1 when decoded and stored; 0 when the library reported a fatal
// error or the picture is beyond the source's size limit, the picture then
// unchanged. After a decode the source is positioned right after the JPEG
// data (after a failure, anywhere). The picture and the decoder's buffers
// must fit in what the budget has left (without one, in the source's
// memory limit), and with a budget the picture's block is counted against
// it.
int DecodeJPEG(ByteSource& source, RasterImage& picture, MemoryBudget* budget = nullptr);

// True for a name that ends in a JPEG extension.
bool IsJPEGName(const char* path);
// Opens the file and decodes it into picture: 1 decoded, 0 not a decodable JPEG,
// -1 cannot be opened.
int ReadJPEG(const InputFile& input, RasterImage& picture);
// As ReadJPEG, for a picture wanted at most side x side (a thumbnail): a
// picture of more than 4 megapixels is decoded by the library's DCT scaling
// at 1/2, 1/4 or 1/8 of its size where the result still has at least twice
// the reduced size on both sides, so that a large picture is never decoded
// whole; smaller ones decode whole. The size limit is that of the
// full picture, as the viewer opens it.
int ReadJPEGReduced(const InputFile& input, int32_t side, RasterImage& picture);
// The JPEG open step of the dispatch: 0 after a load (path recorded in the
// picture), -1 after its message (when showMessages is non-zero).
int LoadJPEG(FrontEnd& ui, const InputFile& input, int showMessages, RasterImage& picture);

// Encodes picture into an open file ("wb"): quality 0..100 on the library's
// scale, progressive when the flag is set. 1 when the whole picture was
// written, 0 after a fatal library error (for example a width of 0). The
// file is not closed.
int EncodeJPEG(const RasterImage& picture, int quality, int progressive, std::FILE* file);
