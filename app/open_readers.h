// The readers by their names: each reads a file through its decoder
// (formats/), shows the decoder's messages through the front end and commits
// what it read into the document it is given, with exactly the effects the
// open dispatch relies on. They and the dispatch are the only code that
// writes a document's Picture, CanvasInfo, CurrentPainter, ItemExplanation
// and kind after an open.
#pragma once

#include "app/document.h"
#include "formats/painter/item_reader.h"
#include "formats/painter/painter_record.h"
#include "image/byte_source.h"
#include "image/front_end.h"
#include "image/raster_image.h"

// The painter file from the source's first byte into painter, its picture
// into the document's Picture, the kind Painter after a read. The box of a
// JPEG picture that fails to decode is shown without an owner.
// PainterReadResult.
int ReadPainter(FrontEnd& ui, ByteSource& in, Document& doc, PainterRecord& painter);
// Only the fixed header fields into painter. PainterReadResult.
int ReadPainterShort(ByteSource& in, PainterRecord& painter);

// Opens the file, runs the reader, shows the reader's failure in a box
// owned by the front end's window and closes the file. 0 after a load, -1 after a
// failure (no message when the file cannot be opened).
int LoadPainterFile(FrontEnd& ui, const InputFile& input, Document& doc, PainterRecord& painter);
int LoadPainterFileShort(FrontEnd& ui, const InputFile& input, PainterRecord& painter);

// Reads the canvas file into the document's Picture, combined with
// its layers; the subject path goes to subjectPath and the painter path to
// painterPath (both kPathSize bytes, always left zero-terminated), the
// canvas values to CanvasInfo. Shows the read's messages, then sets the
// CurrentPainter's name from the painter file the canvas names
// (LoadPainterFileShort) or, when that is missing, from its file name (a
// canvas in memory takes its painter file as missing); the kind becomes
// Canvas. CanvasReadResult.
int ReadCNV(FrontEnd& ui, const InputFile& canvasFile, Document& doc, char* subjectPath, char* painterPath);

// Reads the item file into picture (50 x 50) and item, sets the
// document's ItemExplanation and kind and control 1012 of the front end's
// window (the use-item dialog's name; other windows have none): PenItem
// for itemKind 0, OtherItem for 1, unchanged for any other kind. A file that
// is refused leaves the record, ItemExplanation, the control and the kind as
// they were. ItemReadResult.
int ReadItem(FrontEnd& ui, const InputFile& input, Document& doc, RasterImage& picture, ItemRecord& item);

// The PNG open step of the dispatch: reads into picture and the document's
// AlphaMask (an alpha channel is a separation of its own: it sets
// MaskActive to 1, so it shows and saves like one); 0 after a load (path
// recorded in the picture), -1 after its message.
int LoadPNG(FrontEnd& ui, const InputFile& input, Document& doc, RasterImage& picture);
