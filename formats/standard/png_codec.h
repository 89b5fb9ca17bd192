// PNG files over libpng: 8-bit grey, colour, grey with alpha and colour with
// alpha are read into a RasterImage (alpha into the opacity mask); colour
// files are written, with alpha while the background is transparent.
//
// Owned here: the PNG test of the open dispatch (app/open_dispatch.cpp), the
// reader with its result codes, the PNG open step with its messages, and the
// encoder the save pipeline (save_pipeline.h) writes with. Errors the library raises itself (corrupt
// chunks, CRC errors, truncated data, failed writes) end the operation with
// a result; nothing is changed by a read that fails.
#pragma once

#include <cstdint>
#include <cstdio>

#include "image/byte_buffer.h"
#include "image/byte_source.h"
#include "image/messages.h"
#include "image/raster_image.h"

// Results of ReadPNG. LoadPNG shows the message of each failure (PNGReadMessage).
enum PNGReadResult : int {
    kPNGRead = 0,
    kPNGColourType = -1,     // a colour type other than grey, colour, grey+alpha, colour+alpha
    kPNGBitDepth = -2,       // a bit depth other than 8
    kPNGPalette = -3,        // a palette file
    kPNGCannotOpen = -4,     // the file cannot be opened
    kPNGNotPNG = -5,         // no PNG signature
    kPNGCorrupt = -6,        // the library reported an error: corrupt, CRC error, truncated
    kPNGTooLarge = -7,       // beyond the picture limit, or no memory for it
};

// Where the rows of a PNG being written come from: the picture, its alpha
// weights (when alpha is written or blended), the background it is blended
// over (none: not blended), and whether rows carry alpha.
struct PNGRowSource {
    const RasterImage* picture;
    const uint8_t* mask;
    const RasterImage* backdrop;
    bool alpha;
};

// One PNG row (red, green, blue[, alpha]) from a memory row of the picture
// (the last memory row is the top row).
void FillPNGRow(const PNGRowSource& source, int32_t memoryRow, uint8_t* out);

// True when bytes (at least 8) start with the PNG signature.
bool IsPNGSignature(const uint8_t* bytes);

// 1 when the file starts with the 8-byte PNG signature, 0 when not (also a
// file shorter than 8 bytes), -4 when it cannot be opened.
int IsPNGFile(const InputFile& input);

// Reads the file into picture (bottom-up BGR, headers filled). When alphaMask
// is given it becomes width x height bytes in the picture's row order: the
// file's alpha for grey+alpha and colour+alpha files, 255 for the others;
// alphaChannel, when given, says which. On a negative result the picture,
// the mask and alphaChannel are unchanged. The path is not recorded. The
// file is read up to the end of the chunk that completes the picture's last
// row (its CRC checked): image data beyond the rows and the chunks after are
// not read, so damage there does not refuse the file.
int ReadPNG(const InputFile& input, RasterImage& picture, ByteBuffer* alphaMask, bool* alphaChannel = nullptr);

// The message for a failed ReadPNG; false for kPNGRead.
bool PNGReadMessage(int result, MessageId& id);

// Writes picture into an open file ("wb") as an 8-bit PNG file, top row
// first: colour with alpha from weights (one byte a pixel, the picture's
// row order) when alpha is set; colour blended by weights over backdrop (of
// the picture's size) when backdrop is given; plain colour otherwise. 1
// when the whole file was written, else 0. The file is not closed.
int EncodePNG(const RasterImage& picture, const uint8_t* weights, const RasterImage* backdrop, bool alpha,
              std::FILE* file);
