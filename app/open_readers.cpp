#include "app/open_readers.h"

#include <cstring>
#include <utility>

#include "formats/painter/canvas_reader.h"
#include "formats/painter/painter_reader.h"
#include "formats/standard/png_codec.h"
#include "image/open_file.h"
#include "image/sjis_text.h"

namespace {

int PainterResult(PainterError error)
{
    switch (error) {
    case PainterError::kNone:
        return kPainterRead;
    case PainterError::kBadVersion:
        return kPainterBadVersion;
    case PainterError::kNotPainter:
    case PainterError::kReadError:
        break;
    }
    return kPainterBadMagic;
}

// read(file) runs the reader on the open file.
template <typename Read>
int LoadWith(Read read, WindowHandle window, const char* path)
{
    std::FILE* file = OpenRegularFile(path);
    if (!file)
        return kPainterLoadFailed;
    int result = read(file);
    if (result == kPainterBadVersion)
        ShowMessage(window, MessageId::kPainterVersion);
    else if (result < 0)
        ShowMessage(window, MessageId::kNotPainter);
    std::fclose(file);
    return result < 0 ? kPainterLoadFailed : kPainterLoaded;
}

// The canvas's painter: the short read of its file when there is one (its
// messages and failures do not change the canvas read), else its file name.
void SetCanvasPainterName(WindowHandle window, PainterRecord& painter, const char* painterPath)
{
    if (std::FILE* probe = OpenRegularFile(painterPath)) {
        std::fclose(probe);
        LoadPainterFileShort(window, painter, painterPath);
        return;
    }
    if (!PainterNameFromMissingFile(painterPath, painter.name, sizeof painter.name))
        CopyText(painter.name, sizeof painter.name, kNoPainterName);
}

}  // namespace

int ReadPainter(Document& doc, PainterRecord& painter, std::FILE* file)
{
    RasterImage picture = std::move(doc.Picture);
    MessageList messages;
    const PainterError error = DecodePainter(file, painter, picture, messages);
    doc.Picture = std::move(picture);
    ShowMessages(nullptr, messages);
    if (error == PainterError::kNone)
        doc.kind = kPainter;
    return PainterResult(error);
}

int ReadPainterShort(PainterRecord& painter, std::FILE* file)
{
    return PainterResult(DecodePainterShort(file, painter));
}

int LoadPainterFile(WindowHandle window, Document& doc, PainterRecord& painter, const char* path)
{
    return LoadWith([&](std::FILE* file) { return ReadPainter(doc, painter, file); }, window, path);
}

int LoadPainterFileShort(WindowHandle window, PainterRecord& painter, const char* path)
{
    return LoadWith([&](std::FILE* file) { return ReadPainterShort(painter, file); }, window, path);
}

int ReadCNV(WindowHandle window, Document& doc, char* subjectPath, char* painterPath, const char* canvasPath)
{
    // The decoder starts from the current values, which whatever the file
    // does not carry keeps. subjectPath is the picture's own path, so it is
    // copied before the picture is handed over and written after it is back.
    CanvasContents canvas;
    std::memcpy(canvas.subjectPath, subjectPath, kPathSize);
    std::memcpy(canvas.painterPath, painterPath, kPathSize);
    canvas.picture = std::move(doc.Picture);
    canvas.record = std::move(doc.CanvasInfo);
    MessageList messages;
    const CanvasError error = DecodeCanvasFile(canvasPath, canvas, messages);
    doc.Picture = std::move(canvas.picture);
    doc.CanvasInfo = std::move(canvas.record);
    std::memcpy(subjectPath, canvas.subjectPath, kPathSize);
    std::memcpy(painterPath, canvas.painterPath, kPathSize);
    ShowMessages(window, messages);
    switch (error) {
    case CanvasError::kNone:
        break;
    case CanvasError::kBadVersion:
        return kCanvasBadVersion;
    case CanvasError::kCannotOpen:
    case CanvasError::kNotCanvas:
    case CanvasError::kShortHead:
    case CanvasError::kReadError:
        return kCanvasBadMagic;
    }
    SetCanvasPainterName(window, doc.CurrentPainter, painterPath);
    doc.kind = kCanvas;
    return kCanvasRead;
}

int ReadItem(WindowHandle window, Document& doc, const char* path, RasterImage& picture, ItemRecord& item)
{
    ItemContents contents;
    contents.record = item;
    contents.picture = std::move(picture);
    MessageList messages;
    const ItemError error = DecodeItemFile(path, contents, messages);
    picture = std::move(contents.picture);
    ShowMessages(window, messages);
    switch (error) {
    case ItemError::kNone:
        break;
    case ItemError::kBadVersion:
        return kItemBadVersion;
    case ItemError::kCannotOpen:
    case ItemError::kNotItem:
    case ItemError::kReadError:
        return kItemNotRead;
    }
    item = contents.record;
    SetControlText(window, kItemNameControl, item.name);
    CopyText(doc.ItemExplanation, sizeof doc.ItemExplanation, contents.explanation);
    if (contents.itemKind == kItemKindPen)
        doc.kind = kPenItem;
    else if (contents.itemKind == kItemKindOther)
        doc.kind = kOtherItem;
    return kItemRead;
}

int LoadPNG(WindowHandle window, Document& doc, const char* path, RasterImage& picture)
{
    bool alphaChannel = false;
    const int result = ReadPNG(path, picture, &doc.AlphaMask, &alphaChannel);
    if (result >= 0) {
        if (alphaChannel)
            doc.Transparency.MaskActive = 1;
        CopyText(picture.path, sizeof picture.path, path);
        return 0;
    }
    MessageId id;
    if (PngReadMessage(result, id))
        ShowMessage(window, id);
    return -1;
}
