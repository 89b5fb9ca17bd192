// Opening a file: by its content (command line, drops, the all-types entry
// of the Open dialog) or by the file type chosen in the Open dialog.
//
// Every path ends by laying the view out (platform LayoutView) and setting
// the title, except an open that ended early: a file that cannot be opened,
// a failed painter or canvas read, a cancelled dialog.
#pragma once

#include "image/platform.h"
#include "formats/painter/item_reader.h"
#include "image/raster_image.h"

// Results shared by the open operations.
enum OpenResult : int {
    kOpenDone = 0,
    kOpenReadFailed = -1,    // painter or canvas reader failed, item or image not loaded
    kOpenCannotOpen = -3,    // the file cannot be opened
};

// Opens path by its first 12 bytes: item, painter, canvas, otherwise PNG, BMP
// or JPEG. 0 when the open ran to its end (also after a failed standard-image
// load, which it reports itself), -1 after a painter or canvas failure, -3
// when the file cannot be opened.
int Read_ESI_CNV(WindowHandle window, const char* path);

// What the Open dialog does with the file the user chose under filter index
// 1..7 (the dialog itself is the platform's). Same results as OpenWithDialog.
int OpenChosenFile(WindowHandle window, int filterIndex, const char* path);

// The Open dialog's filter: fourteen NUL-terminated strings, then a second
// NUL. kOpenFilterBytes counts every byte including the final NUL.
extern const char kOpenFilter[];
extern const int kOpenFilterBytes;

// Reads the canvas at canvasPath into Picture, combined with its layers; the
// subject path goes to subjectPath and the painter path to painterPath (both
// kPathSize bytes, always left zero-terminated), the canvas values to
// CanvasInfo. Shows the read's messages, then sets the painter's name from
// the painter file the canvas names (LoadPainterFileShort) or, when that is
// missing, from its file name; the kind becomes Canvas. CanvasReadResult.
int ReadCNV(WindowHandle window, char* subjectPath, char* painterPath, const char* canvasPath);

// Reads the item at path into picture (50 x 50) and item, sets
// ItemExplanation, control 1012 of window and the document kind: PenItem for
// itemKind 0, OtherItem for 1, unchanged for any other kind. A file that is
// refused leaves the record, ItemExplanation, the control and the kind as
// they were. ItemReadResult.
int ReadItem(WindowHandle window, const char* path, RasterImage& picture, ItemRecord& item);

// Puts every program-wide object (the document, the transparency state,
// Picture, AlphaMask, Backdrop, CanvasInfo, CurrentPainter, the item
// explanation) back to its state at start-up, so that what the next open
// leaves behind is what it would leave in a program that had just started.
void ResetProgramState();

int OpenStandardImage(WindowHandle window, const char* path, RasterImage& picture);
int OpenItemFile(WindowHandle window, const char* path);
int OpenBmpIntoPicture(WindowHandle window, const char* path);
