// Painter files (.esi): one painter with its picture, pen pictures, extra
// tables and memo. The viewer only reads them.
//
// ReadPainter (the full form) fills a PainterRecord, puts the painter's
// picture into the program-wide Picture and sets the document kind to
// Painter. ReadPainterShort reads only the fixed header fields; the canvas
// reader uses it to learn the name of a canvas's painter. The Load wrappers
// open a file by path, run a reader, tell the user about a failure and close
// the file. The packed picture section (raw or three run-length planes) is
// shared with the pen pictures.
//
// Ownership: ReadPainter, ReadPainterShort and the section readers use a
// file their caller opened and closes; the Load wrappers open and close
// their own. The record and pictures they fill belong to the caller.
//
// Fields a file does not supply in full keep the values they had before.
// Hostile counts and runs never reach outside the picture: what has no place
// in it is read past and dropped, so the sections after it are still found.
#pragma once

#include <cstdint>
#include <cstdio>

#include "image/platform.h"
#include "formats/painter/painter_record.h"
#include "image/file_reader.h"
#include "image/raster_image.h"

// Results of the readers.
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

// Both read from a file opened "rb" and positioned at its first byte.
int ReadPainter(PainterRecord& painter, std::FILE* file);
int ReadPainterShort(PainterRecord& painter, std::FILE* file);

// Opens path, runs the reader, shows the reader's failure in a box owned by
// window and closes the file. 0 after a load, -1 after a failure (no
// message when the file cannot be opened).
int LoadPainterFile(WindowHandle window, PainterRecord& painter, const char* path);
int LoadPainterFileShort(WindowHandle window, PainterRecord& painter, const char* path);

// Reads one packed picture section into picture, which becomes width x
// height with every byte 0 (headers filled) before the section's data is
// stored in its pixel buffer. A count N beyond the buffer, and runs beyond
// N / 3, are read and dropped; raw bytes past the end of the file become
// 0xFF; plane bytes the file does not supply stay 0.
int ReadPackedPicture(RasterImage& picture, FileReader& in, int32_t width, int32_t height);
int ReadPackedPicture(RasterImage& picture, std::FILE* file, int32_t width, int32_t height);

// Decodes runs from in until they have produced count plane bytes or the
// file ends. Only the first `capacity` bytes are stored into plane (which
// holds at least that many); the rest are produced and dropped, and a run
// reaching beyond count is cut at count. Returns how many leading plane
// bytes were produced (0..count).
int64_t DecodeRunPlane(FileReader& in, uint8_t* plane, int64_t capacity, int64_t count);
