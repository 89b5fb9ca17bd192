// Painter files (.esi): one painter with its picture, pen pictures, extra
// tables and memo. The viewer only reads them.
//
// DecodePainter (the full form) updates a PainterRecord and a picture, both
// the caller's, and lists the messages the read would show.
// DecodePainterShort reads only the fixed header fields, for the name of a
// canvas's painter. Neither touches anything else: ReadPainter and the Load
// wrappers (the open dispatch, app/open_readers.h) commit into the
// document and tell the user. The packed picture section (raw
// or three run-length planes) is shared with the pen pictures.
//
// Ownership: the decoders and the section readers read from a source their
// caller opened (a file or bytes in memory) and closes. The record and pictures they fill belong to the caller.
//
// Fields a file does not supply in full keep the values they had before.
// Hostile counts and runs never reach outside the picture: what has no place
// in it is read past and dropped, so the sections after it are still found.
#pragma once

#include <cstdint>
#include "formats/painter/painter_record.h"
#include "image/byte_source.h"
#include "image/messages.h"
#include "image/raster_image.h"

// Results of ReadPainter and ReadPainterShort.
enum PainterReadResult : int {
    kPainterRead = 0,
    kPainterBadMagic = -1,    // wrong magic, or a picture format word other than 0 and 1
    kPainterBadVersion = -2,  // version word not 0
};

// Results of the Load wrappers.
enum PainterLoadResult : int {
    kPainterLoaded = 0,
    kPainterLoadFailed = -1,  // cannot be opened (no message), or the reader failed (after its message)
};

// Results of ReadPackedPicture.
enum PackedPictureResult : int {
    kPackedRead = 0,
    kPackedBadMode = -1,      // mode other than 0 and 1: picture all zero, file right after the head
    kPackedNoPicture = -2,    // the picture could not be made; the section was read past
};

// Picture format word of a painter file.
constexpr int32_t kPainterPictureJpeg = 0;
constexpr int32_t kPainterPicturePacked = 1;

// Packed picture modes.
constexpr int32_t kPackedModeRaw = 0;
constexpr int32_t kPackedModeRuns = 1;

constexpr int kPainterPictureSize = 100;   // the painter picture is always 100 x 100
constexpr int kPainterMagicBytes = 12;
constexpr int kPainterNameBytes = 50;      // name bytes a painter file carries
constexpr int kPainterHeaderBytes = 564;   // full layout: where the painter picture starts
constexpr int kShortPainterBytes = 511;    // short layout: everything ReadPainterShort reads
constexpr int kPainterExtraBytes = 101;

enum class PainterError {
    kNone = 0,
    kNotPainter,   // wrong magic, a picture format word other than 0 and 1, or a file ending before it
    kBadVersion,   // version word not 0
    kReadError,    // the system failed to read the file; painter and picture are as they were
};

// Both read from a source at the file's first byte. The full form puts the
// painter's picture into picture and appends to messages the box of a JPEG
// picture that fails to decode (reading then goes on).
PainterError DecodePainter(ByteSource& in, PainterRecord& painter, RasterImage& picture, MessageList& messages);
PainterError DecodePainterShort(ByteSource& in, PainterRecord& painter);

// Reads one packed picture section into picture, which becomes width x
// height with every byte 0 (headers filled) before the section's data is
// stored in its pixel buffer. A count N beyond the buffer, and runs beyond
// N / 3, are read and dropped; raw bytes past the end of the file become
// 0xFF; plane bytes the file does not supply stay 0.
int ReadPackedPicture(ByteSource& in, int32_t width, int32_t height, RasterImage& picture);

// Decodes runs from in until they have produced count plane bytes or the
// file ends; a run whose length the end of the file cuts off is taken with
// its last length byte as -1 (256 x zeros - 1 copies) and ends the plane.
// Only the first `capacity` bytes are stored into plane (which holds at
// least that many); the rest are produced and dropped, and a run reaching
// beyond count is cut at count. Returns how many leading plane
// bytes were produced (0..count).
int64_t DecodeRunPlane(ByteSource& in, int64_t count, uint8_t* plane, int64_t capacity);
