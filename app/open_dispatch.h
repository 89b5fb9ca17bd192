// Opening a file: by its content (command line, drops, the all-types entry
// of the Open dialog) or by the file type chosen in the Open dialog.
//
// Every path ends by asking for the view to be laid out again and for the
// title (in the ViewChanges it is given, which the front end acts on after
// the open), except an open that ended early: a file that cannot be opened,
// a failed painter or canvas read, a cancelled dialog. Everything else an
// open changes is in the document it is given. The boxes it shows are owned
// by the front end's window, except a painter's picture's (ReadPainter).
// Each open only adds to changes: the caller starts from an empty one.
#pragma once

#include <cstdint>

#include "app/document.h"
#include "image/byte_source.h"
#include "image/front_end.h"
#include "image/raster_image.h"

// Results shared by the open operations.
enum OpenResult : int {
    kOpenDone = 0,
    kOpenReadFailed = -1,    // painter or canvas reader failed, item or image not loaded
    kOpenCannotOpen = -3,    // the file cannot be opened
};

// Opens the file by its first 12 bytes: item, painter, canvas, otherwise PNG, BMP
// or JPEG. 0 when the open ran to its end (also after a failed standard-image
// load, which it reports itself), -1 after a painter or canvas failure, -3
// when the file cannot be opened.
int Read_ESI_CNV(FrontEnd& ui, const InputFile& file, Document& doc, ViewChanges& changes);

// The reader the content dispatch gives a file: by the magic of its first
// 12 bytes, else PNG by signature, BMP by name and "BM", JPEG by name.
// StandardKindOf is the part after the magic (header may be null: a file
// that cannot be read, which only a JPEG name accepts).
enum class ContentKind { kItem, kPainter, kCanvas, kPNG, kBMP, kJPEG, kUnsupported };
ContentKind KindByContent(const char* path, const uint8_t header[12]);
ContentKind StandardKindOf(const char* path, const uint8_t* header);

// What the Open dialog does with the file the user chose under filter index
// 1..7 (the dialog itself is the front end's). Same results as OpenWithDialog.
int OpenChosenFile(FrontEnd& ui, int filterIndex, const InputFile& file, Document& doc, ViewChanges& changes);

// The Open dialog's filter: fourteen NUL-terminated strings, then a second
// NUL. kOpenFilterBytes counts every byte including the final NUL.
extern const char kOpenFilter[];
extern const int kOpenFilterBytes;

int OpenStandardImage(FrontEnd& ui, const InputFile& file, Document& doc, RasterImage& picture);
int OpenItemFile(FrontEnd& ui, const InputFile& file, Document& doc, ViewChanges& changes);
int OpenBmpIntoPicture(const InputFile& file, Document& doc, ViewChanges& changes);
