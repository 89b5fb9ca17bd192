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
int LoadWith(Read read, FrontEnd& ui, const char* path)
{
    std::FILE* file = OpenRegularFile(path);
    if (!file)
        return kPainterLoadFailed;
    int result = read(file);
    if (result == kPainterBadVersion)
        ui.ShowMessage(MessageId::kPainterVersion, nullptr, BoxOwner::kWindow);
    else if (result < 0)
        ui.ShowMessage(MessageId::kNotPainter, nullptr, BoxOwner::kWindow);
    std::fclose(file);
    return result < 0 ? kPainterLoadFailed : kPainterLoaded;
}

// The canvas's painter: the short read of its file when there is one (its
// messages and failures do not change the canvas read), else its file name.
void SetCanvasPainterName(FrontEnd& ui, PainterRecord& painter, const char* painterPath)
{
    if (std::FILE* probe = OpenRegularFile(painterPath)) {
        std::fclose(probe);
        LoadPainterFileShort(ui, painterPath, painter);
        return;
    }
    if (!PainterNameFromMissingFile(painterPath, painter.name, sizeof painter.name))
        CopyText(painter.name, sizeof painter.name, kNoPainterName);
}

}  // namespace

int ReadPainter(FrontEnd& ui, std::FILE* file, Document& doc, PainterRecord& painter)
{
    RasterImage picture = std::move(doc.Picture);
    MessageList messages;
    const PainterError error = DecodePainter(file, painter, picture, messages);
    doc.Picture = std::move(picture);
    ShowMessages(ui, messages, BoxOwner::kNone);
    if (error == PainterError::kNone)
        doc.kind = kPainter;
    return PainterResult(error);
}

int ReadPainterShort(std::FILE* file, PainterRecord& painter)
{
    return PainterResult(DecodePainterShort(file, painter));
}

int LoadPainterFile(FrontEnd& ui, const char* path, Document& doc, PainterRecord& painter)
{
    return LoadWith([&](std::FILE* file) { return ReadPainter(ui, file, doc, painter); }, ui, path);
}

int LoadPainterFileShort(FrontEnd& ui, const char* path, PainterRecord& painter)
{
    return LoadWith([&](std::FILE* file) { return ReadPainterShort(file, painter); }, ui, path);
}

int ReadCNV(FrontEnd& ui, const char* canvasPath, Document& doc, char* subjectPath, char* painterPath)
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
    ShowMessages(ui, messages, BoxOwner::kWindow);
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
    SetCanvasPainterName(ui, doc.CurrentPainter, painterPath);
    doc.kind = kCanvas;
    return kCanvasRead;
}

int ReadItem(FrontEnd& ui, const char* path, Document& doc, RasterImage& picture, ItemRecord& item)
{
    ItemContents contents;
    contents.record = item;
    contents.picture = std::move(picture);
    MessageList messages;
    const ItemError error = DecodeItemFile(path, contents, messages);
    picture = std::move(contents.picture);
    ShowMessages(ui, messages, BoxOwner::kWindow);
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
    ui.SetControlText(kItemNameControl, item.name);
    CopyText(doc.ItemExplanation, sizeof doc.ItemExplanation, contents.explanation);
    if (contents.itemKind == kItemKindPen)
        doc.kind = kPenItem;
    else if (contents.itemKind == kItemKindOther)
        doc.kind = kOtherItem;
    return kItemRead;
}

int LoadPNG(FrontEnd& ui, const char* path, Document& doc, RasterImage& picture)
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
    if (PNGReadMessage(result, id))
        ui.ShowMessage(id, nullptr, BoxOwner::kWindow);
    return -1;
}
