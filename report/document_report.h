// What `zavik info`, the page and the library report of a loaded document
// beyond its kind and size: the painter record, the canvas record and the
// item record, each with the texts the viewer's dialogs would show for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/document.h"
#include "image/front_end.h"
#include "report/report.h"
#include "formats/painter/painter_record.h"

// The kind's name in the reports: "canvas", "painter", ..., "none".
const char* KindName(int kind);

// A packed 0x00BBGGRR colour as "#RRGGBB".
std::string ColourText(uint32_t colour);

// Every value of a painter record, with its pens' shape names and its
// diagnosis.
void ReportPainter(Report& r, const PainterRecord& p);

// The item file, read again into doc as the use-item dialog reads it,
// with its explanation; nothing when it cannot be read (ui shows why).
void ReportItem(Report& r, FrontEnd& ui, Document& doc, const InputFile& file);

// The canvas values of the last canvas opened into doc (its CanvasInfo and
// the two paths the canvas named).
void ReportCanvas(Report& r, const Document& doc);

// The report of the document beyond its kind and size, by its kind: the
// painter, the canvas values or the item (read again from path). Empty
// when nothing was loaded.
Report DocumentDetails(FrontEnd& ui, Document& doc, const InputFile& file, bool loaded);

// The JSON object `zavik info --json` prints for a document: the path as
// shown, kind, size, painter, the messages' texts (UTF-8), the colours the
// transparency dialog would propose, then the details.
std::string InfoJson(const Document& doc, const std::string& shownPath, bool loaded, const Report& details,
                     const std::vector<std::string>& messages);
