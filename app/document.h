// The document: what is loaded, from which files, how its ink is separated
// and at what zoom. Each front end owns its documents (the viewer one for
// its run, the command line one per file) and hands them to the open
// dispatch, the readers and the view, which change nothing else.
#pragma once

#include <cstdint>

#include "colour/transparency_state.h"
#include "formats/painter/canvas_info.h"
#include "formats/painter/item_reader.h"
#include "formats/painter/magic.h"
#include "formats/painter/painter_record.h"
#include "image/byte_buffer.h"
#include "image/byte_source.h"
#include "image/raster_image.h"
#include "image/texts.h"   // kNoPainterName, the painter name when what is opened has none

enum DocumentKind : int32_t {
    kNone = 0,
    kCanvas = 1,
    kPainter = 2,
    kPenItem = 3,
    kOtherItem = 4,
    kStandardImage = 5,
};

// A new document is the state of a program that has just started: nothing
// loaded, no separation, 100 %.
struct Document {
    RasterImage Picture;            // the current picture
    ByteBuffer AlphaMask;           // one opacity byte per picture pixel, no row padding
    RasterImage Backdrop;           // rebuilt at the picture's size on every view layout
    CanvasRecord CanvasInfo;        // the settings of the last canvas read
    PainterRecord CurrentPainter;   // the loaded painter (after a canvas, only its name)
    TransparencyState Transparency;
    char ItemExplanation[kItemExplanationSize] = {};   // the current item's (code page 932, terminated)
    int32_t kind = kNone;
    char PainterPath[kPathSize] = {};
    char CanvasPath[kPathSize] = {};
    char CurrentPath[kPathSize] = {};   // the last file the title was set for
    float ZoomFactor = 1.0f;
};

// The header buffer before a file's first 12 bytes are read into it: a file
// shorter than 12 bytes overwrites only its first bytes.
void InitialHeader(uint8_t header[12]);

// Reads up to 12 bytes of the file over the initial header. Returns false
// when the file cannot be opened.
bool ReadFileHeader(const InputFile& file, uint8_t header[12]);

// "%s（絵師：%s） - zavik view" into a 256-byte title, cut to fit.
constexpr int kTitleSize = 256;
void FormatDocumentTitle(char title[kTitleSize], const char* path, const char* painterName);

// Status texts, 260 bytes, cut to fit:
// "絵師：%s, 幅：%d, 高さ：%d" after painting and "絵師：%s" after a layout.
constexpr int kStatusSize = 260;
void FormatPaintStatus(char status[kStatusSize], const char* painterName, int width, int height);
void FormatLayoutStatus(char status[kStatusSize], const char* painterName);
// "幅：%d, 高さ：%d": the size box of a standard image.
void FormatSizeText(char text[kStatusSize], int width, int height);

// What an open changed that its front end shows: the open dispatch fills it
// instead of calling up into the front end, which acts on it once the open
// has returned, in this order: the view laid out again, then the title. No
// message follows a layout or a title within an open, so acting afterwards
// shows the user the same sequence of boxes, layout and title.
struct ViewChanges {
    bool layout = false;
    // The painter's name the layout's status text shows: the document's as
    // it was when the open laid the view out. An item opened by its content
    // is laid out before the item's "no painter" name is set, so the status
    // keeps the previous painter's name while the title shows none.
    char layoutPainterName[sizeof PainterRecord::name] = {};
    bool title = false;
    char titleText[kTitleSize] = {};   // code page 932, its path as the file system spells it
};

// Asks for the view to be laid out again, with the document's painter name
// as it is now.
void AskForLayout(ViewChanges& changes, const Document& doc);

// Sets the title for a document (in changes) and makes path its CurrentPath
// (the old contents are zeroed first).
int SetDocumentTitle(Document& doc, const char* path, const char* painterName, ViewChanges& changes);
