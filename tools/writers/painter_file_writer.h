// Writers of painter files (.esi), field by field, in the full layout that
// ReadPainter reads and in the short layout that ReadPainterShort reads.
// In the writers library that the tests and the sample generator use;
// the viewer only reads painter files.
//
// Every value the file carries comes from a PainterRecord: the scalars, both
// pens, the name (its first 50 bytes), the pen pictures and names, the extra
// tables (written when the record's extraPresent byte is 1, the byte the
// file stores) and the memo. What the record does not hold, the magic,
// version, picture format word and the two section flags, is set in the
// PainterFileLayout, so that tests can write files the reader must refuse.
// A PainterFileLayout only refers to the record and picture, which stay the caller's.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "formats/painter/painter_record.h"
#include "image/raster_image.h"

struct PainterFileLayout {
    PainterFileLayout(const PainterRecord& painter, const RasterImage& picture) : painter(painter), picture(picture) {}

    const PainterRecord& painter;
    // Format word 1: written as a packed section (give it 100 x 100).
    // Format word 0: written as a JPEG stream of any size.
    const RasterImage& picture;

    char magicLetter = 'f';        // the 11th magic byte: 'a' or 'f' are painter files
    uint8_t magicLast = 0;         // the 12th byte, which the reader never looks at
    int32_t version = 0;
    int32_t pictureFormat = 1;     // 1 packed, 0 JPEG; any other value is written as given,
                                   // with the picture packed
    int32_t pictureMode = 1;       // packed mode of the painter picture
    int jpegQuality = 90;
    uint8_t penPicturesFlag = 1;   // only 1 writes the pen pictures section
    int32_t penPictureMode = 1;
    uint8_t memoFlag = 1;          // only 1 writes the memo
    uint8_t reservedFill = 0;      // the reserved blocks' bytes
};

// The full layout's 564 bytes before the painter picture.
std::vector<uint8_t> PainterHeaderBytes(const PainterFileLayout& layout);
// The short layout's 511 bytes.
std::vector<uint8_t> ShortPainterBytes(const PainterFileLayout& layout);
// The sections after the painter picture, as the flags select them: pen
// pictures with their names, extra tables, memo.
void AppendPainterSections(std::vector<uint8_t>& out, const PainterFileLayout& layout);
// A JPEG stream of the picture through EncodeJPEG (by way of a temporary
// file).
bool AppendJpegStream(std::vector<uint8_t>& out, const RasterImage& picture, int quality);

// The whole file; empty when the JPEG picture could not be encoded.
std::vector<uint8_t> PainterFileBytes(const PainterFileLayout& layout);
bool WritePainterFile(const char* path, const PainterFileLayout& layout);
bool WriteBytesToFile(const char* path, const std::vector<uint8_t>& bytes);
