// Canvas files (.cnv): a painted picture with its subject and painter paths
// and two optional layers that give it its canvas surface (a small mask
// tiled over the canvas and an under layer that shows where the mask is
// dark).
//
// DecodeCanvasFile reads one into a caller-owned CanvasContents and lists
// the messages the read would show; it touches nothing else. ReadCNV (the
// open dispatch, app/open_readers.h) commits the contents into the
// document's Picture, paths and CanvasInfo, shows the messages and sets the
// painter's name.
// The layers live for one read only.
//
// File layout, little-endian: 12-byte magic ("cnv file 0a" and one byte not
// examined), int32 version (0), int32 S and S bytes of subject path, int32 P
// and P bytes of painter path, seven int32 (canvasValueA..G), uint8 main
// picture format (1 Huffman section, else JPEG), uint8 hasLayers, int8
// maskLevel, int8 maskScale, 46 reserved bytes, int32 B and B bytes of
// canvasBlock, int32 under layer width and height, then with hasLayers 1
// the mask and under layers as Huffman sections, then the main picture.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/painter/canvas_info.h"
#include "image/byte_source.h"
#include "image/messages.h"
#include "image/raster_image.h"

// Results of ReadCNV.
enum CanvasReadResult : int {
    kCanvasRead = 0,          // read, even when a picture failed to decode (its box was shown)
    kCanvasBadMagic = -1,     // cannot be opened (no box), wrong magic (box), or ends before its version word
    kCanvasBadVersion = -2,   // version word not 0 (box)
};

constexpr uint8_t kCanvasHuffmanPicture = 1;   // main picture format byte

enum class CanvasError {
    kNone = 0,     // read, even when a picture failed to decode (its message is listed)
    kNotCanvas,    // wrong magic
    kShortHead,    // ends before its version word; no message (the caller reports every failed read)
    kBadVersion,   // version word not 0
    kReadError,    // the system failed to read the file; no message, the canvas is as it was
};

// What a canvas gives. The decoder is handed the values of the previous
// canvas: fields the file does not carry, and a picture that fails to
// decode, keep them.
struct CanvasContents {
    RasterImage picture;                 // the painted picture combined with its layers
    char subjectPath[kPathSize] = {};    // always left zero-terminated
    char painterPath[kPathSize] = {};
    CanvasRecord record;
};

// Reads the canvas from the source (at its first byte) into canvas and
// appends to messages the boxes the read shows, in order.
CanvasError DecodeCanvasFile(ByteSource& in, CanvasContents& canvas, MessageList& messages);

// The painter's name when the painter file a canvas names is missing: the
// file-name part of the painter path's full form. False when the full form
// cannot be made.
bool PainterNameFromMissingFile(const char* painterPath, char* name, size_t size);

// The part of a path after its last '\\' or '/', stepping over double-byte
// characters of code page 932 (whose second byte may be 0x5C).
const char* LastPathComponent(const char* path);
