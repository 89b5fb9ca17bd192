// Writer of canvas files (.cnv), field by field. Part of the writers library
// that the tests and the sample generator use; the viewer only reads canvas
// files (formats/painter/canvas_reader).
//
// CanvasFileFields holds every field of the file, including the ones a
// well-formed file always has the same way (magic, version), so that tests
// can write files the reader must refuse. The layers are written as Huffman
// sections when hasLayers is 1; the main picture as a Huffman section when
// the format byte is 1 and as a JPEG stream otherwise.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/raster_image.h"

struct CanvasFileFields {
    uint8_t magic[12] = {'c', 'n', 'v', ' ', 'f', 'i', 'l', 'e', ' ', '0', 'a', 0};
    int32_t version = 0;
    // Written as given; the length fields S and P are their sizes. Add a
    // trailing "\0" to store the terminator with the path.
    std::string subjectPath;
    std::string painterPath;
    int32_t canvasValues[7] = {};     // canvasValueA .. canvasValueG, in file order
    uint8_t mainFormat = 1;           // 1 Huffman section, any other value JPEG
    uint8_t hasLayers = 0;
    int8_t maskLevel = 0;
    int8_t maskScale = 0;
    uint8_t reservedFill = 0;         // the 46 reserved bytes
    std::vector<uint8_t> canvasBlock;
    int32_t underWidth = 0;           // the under layer size of the head
    int32_t underHeight = 0;
    // Sections. With hasLayers 1 both layers are needed; a null main picture
    // writes the file without it.
    const RasterImage* maskLayer = nullptr;
    const RasterImage* underLayer = nullptr;
    const RasterImage* mainPicture = nullptr;
    int jpegQuality = 90;
};

// Everything from the magic up to and including the under layer size.
void AppendCanvasHead(std::vector<uint8_t>& out, const CanvasFileFields& fields);

// The whole file into an open file ("wb") or a path. False when a section
// cannot be written (a layer missing or empty, a picture that cannot be
// coded, a write error).
bool WriteCanvasFile(std::FILE* file, const CanvasFileFields& fields);
bool WriteCanvasFile(const char* path, const CanvasFileFields& fields);
