// One input through one reader, as the fuzz targets run it and as the
// regression replay (tests/unit/regression_test.cpp) runs it again: the same
// document state before every input, the same way of handing the bytes to
// the reader, and the same checks of the state the reader leaves behind.
//
// Every run starts from a known state of the document it is given: Picture
// is a 3 x 2 picture of bytes 0x55 with its headers and the path
// "previous.bmp", the kind, paths and zoom are cleared and no mask is
// active; what else the document holds is carried from the run before. Readers that open a file by name get the
// input written into the work folder, which is the current directory during
// the run (a canvas names its painter file relative to it; the folder holds
// a painter file "hanako.esi" for such names).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/document.h"
#include "image/front_end.h"
#include "image/raster_image.h"

enum class FuzzTarget {
    Painter,        // ReadPainter on an open file
    PainterShort,   // ReadPainterShort on an open file
    Canvas,         // ReadCNV on a file
    Huffman,        // HuffDecodeImg into Picture, then the split decoder against the single one
    Packed,         // ReadPackedPicture into Picture at 50 x 50, then at 100 x 100
    Item,           // ReadItem into a picture of its own
    Bmp,            // ReadBMP into Picture
    Png,            // LoadPNG into Picture and AlphaMask
    Jpeg,           // DecodeJPEG into Picture
    Open,           // Read_ESI_CNV: the viewer's open by content
};

// The folder names under tests/regression and build/fuzz/corpus.
const char* FuzzTargetName(FuzzTarget target);
bool FuzzTargetFromName(const std::string& name, FuzzTarget* target);
std::vector<FuzzTarget> AllFuzzTargets();

struct FuzzOutcome {
    std::vector<int> results;     // the reader's result (Packed: one for each size)
    int32_t width = 0;            // the picture the reader fills, afterwards
    int32_t height = 0;
    std::string problem;          // empty when the state left behind is consistent
    ViewChanges view;             // what the open asked of the view (Open only)

    // "result R...\npicture W H\n": what a regression file must give.
    std::string Describe() const;
};

// Makes the work folder (if needed) with the painter file canvases may name.
// False when it cannot be written.
bool PrepareFuzzFolder(const std::string& folder);

// Puts doc into the state every run starts from.
void ResetFuzzState(Document& doc);

// Runs one input on doc from the start state, its messages shown through ui;
// the current directory is the work folder during the run and restored
// afterwards.
FuzzOutcome RunFuzzInput(FrontEnd& ui, Document& doc, FuzzTarget target, const uint8_t* data, size_t size,
                         const std::string& folder);

// Empty when the picture is one consistent picture: sizes not negative,
// stride from the width, a block of exactly stride x height bytes (none for
// an empty picture) and, when withHeaders, headers that describe it.
std::string PictureProblem(const RasterImage& picture, bool withHeaders);

// Empty when the whole document is consistent: Picture (with headers), the
// mask while it is active, the painter's pen pictures and every text buffer
// terminated within its size.
std::string ProgramStateProblem(const Document& doc);
