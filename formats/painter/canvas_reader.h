// Canvas files (.cnv): a painted picture with its subject and painter paths
// and two optional layers that give it its canvas surface (a small mask
// tiled over the canvas and an under layer that shows where the mask is
// dark).
//
// Owned by the painter-format readers; the open dispatch calls ReadCNV. The
// reader writes Picture, its path, the painter path, CanvasInfo, the name of
// CurrentPainter and the document kind; the layers live for one read only.
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

#include "app/platform.h"
#include "image/raster_image.h"

enum CanvasReadResult : int {
    kCanvasRead = 0,          // read, even when a picture failed to decode (its box was shown)
    kCanvasBadMagic = -1,     // cannot be opened (no box) or wrong magic (box)
    kCanvasShortHead = -1,    // ends before its version word (no box; the caller reports it)
    kCanvasBadVersion = -2,   // version word not 0 (box)
};

constexpr uint8_t kCanvasHuffmanPicture = 1;   // main picture format byte
constexpr int32_t kPlainMaskSide = 100;        // the white mask of a canvas without layers

// Reads the canvas at canvasPath into Picture, combined with its layers; the
// subject path goes to subjectPath and the painter path to painterPath (both
// kPathSize bytes, always left zero-terminated). The file is closed on
// every path.
int ReadCNV(WindowHandle window, char* subjectPath, char* painterPath, const char* canvasPath);

// Rescales the mask layer by CanvasInfo.maskScale percent (0 keeps its size)
// and levels it by CanvasInfo.maskLevel, which is clamped to -127..127 and
// stored back. With CanvasInfo.hasLayers 0 the mask becomes 100 x 100 white.
void PrepareMaskLayer(RasterImage& mask);

enum BlendResult : int {
    kBlendDone = 0,
    // Nothing changed: the mask has no pixels to tile with.
    kBlendSkipped = -1,
};

// Blends the under layer into Picture through the mask, tiled from its first
// buffer row and column: a mask blue byte of 0 shows the under layer, 255
// keeps the painted picture (up to one step). Each painted byte takes the
// under layer's byte at the same offset of its block, which reads the layer
// with Picture's row stride whatever its own size; painted bytes whose
// offset lies beyond the under layer's block stay.
int BlendLayers(const RasterImage& under, const RasterImage& mask);

enum ResizeResult : int {
    kResizeDone = 0,
    kResizeNoSource = -1,   // the source has no pixels; dest untouched
    kResizeRefused = -2,    // dest size beyond the limit or out of memory; dest untouched
};

// Makes dest a bilinear resample of source at width x height, with its
// headers filled. A source already of that size is copied unchanged.
int ResizeBilinear(const RasterImage& source, RasterImage& dest, int32_t width, int32_t height);

// The part of a path after its last '\\' or '/', stepping over double-byte
// characters of code page 932 (whose second byte may be 0x5C).
const char* LastPathComponent(const char* path);
