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

// read(source) runs the reader on the opened file.
template <typename Read>
int LoadWith(FrontEnd& ui, const InputFile& input, Read read)
{
    ByteSource source;
    if (!source.Open(input))
        return kPainterLoadFailed;
    int result = read(source);
    if (result == kPainterBadVersion)
        ui.ShowMessage(MessageId::kPainterVersion, nullptr, BoxOwner::kWindow);
    else if (result < 0)
        ui.ShowMessage(MessageId::kNotPainter, nullptr, BoxOwner::kWindow);
    return result < 0 ? kPainterLoadFailed : kPainterLoaded;
}

// The canvas's painter: the short read of its file when there is one (its
// messages and failures do not change the canvas read), else its file name.
// A canvas in memory names no file on disk that belongs to it: its painter
// is taken as missing.
void SetCanvasPainterName(FrontEnd& ui, PainterRecord& painter, const char* painterPath, bool canvasInMemory)
{
    if (!canvasInMemory) {
        if (std::FILE* probe = OpenRegularFile(painterPath)) {
            std::fclose(probe);
            LoadPainterFileShort(ui, painterPath, painter);
            return;
        }
    }
    if (!PainterNameFromMissingFile(painterPath, painter.name, sizeof painter.name))
        CopyText(painter.name, sizeof painter.name, kNoPainterName);
}

}  // namespace

int ReadPainter(FrontEnd& ui, ByteSource& in, Document& doc, PainterRecord& painter)
{
    RasterImage picture = std::move(doc.Picture);
    MessageList messages;
    const PainterError error = DecodePainter(in, painter, picture, messages);
    doc.Picture = std::move(picture);
    ShowMessages(ui, messages, BoxOwner::kNone);
    if (error == PainterError::kNone)
        doc.kind = kPainter;
    return PainterResult(error);
}

int ReadPainterShort(ByteSource& in, PainterRecord& painter)
{
    return PainterResult(DecodePainterShort(in, painter));
}

int LoadPainterFile(FrontEnd& ui, const InputFile& input, Document& doc, PainterRecord& painter)
{
    return LoadWith(ui, input, [&](ByteSource& in) { return ReadPainter(ui, in, doc, painter); });
}

int LoadPainterFileShort(FrontEnd& ui, const InputFile& input, PainterRecord& painter)
{
    return LoadWith(ui, input, [&](ByteSource& in) { return ReadPainterShort(in, painter); });
}

int ReadCNV(FrontEnd& ui, const InputFile& canvasFile, Document& doc, char* subjectPath, char* painterPath)
{
    ByteSource source;
    if (!source.Open(canvasFile))
        return kCanvasBadMagic;
    // The decoder starts from the current values, which whatever the file
    // does not carry keeps. subjectPath is the picture's own path, so it is
    // copied before the picture is handed over and written after it is back.
    CanvasContents canvas;
    std::memcpy(canvas.subjectPath, subjectPath, kPathSize);
    std::memcpy(canvas.painterPath, painterPath, kPathSize);
    canvas.picture = std::move(doc.Picture);
    canvas.record = std::move(doc.CanvasInfo);
    MessageList messages;
    const CanvasError error = DecodeCanvasFile(source, canvas, messages);
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
    case CanvasError::kNotCanvas:
    case CanvasError::kShortHead:
    case CanvasError::kReadError:
        return kCanvasBadMagic;
    }
    SetCanvasPainterName(ui, doc.CurrentPainter, painterPath, canvasFile.inMemory);
    doc.kind = kCanvas;
    return kCanvasRead;
}

int ReadItem(FrontEnd& ui, const InputFile& input, Document& doc, RasterImage& picture, ItemRecord& item)
{
    ByteSource source;
    if (!source.Open(input)) {
        ui.ShowMessage(MessageId::kItemCannotOpen, nullptr, BoxOwner::kWindow);
        return kItemNotRead;
    }
    ItemContents contents;
    contents.record = item;
    contents.picture = std::move(picture);
    const ItemError error = DecodeItemFile(source, contents);
    picture = std::move(contents.picture);
    switch (error) {
    case ItemError::kNone:
        break;
    case ItemError::kBadVersion:
        return kItemBadVersion;
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

int LoadPNG(FrontEnd& ui, const InputFile& input, Document& doc, RasterImage& picture)
{
    bool alphaChannel = false;
    const int result = ReadPNG(input, picture, &doc.AlphaMask, &alphaChannel);
    if (result >= 0) {
        if (alphaChannel)
            doc.Transparency.MaskActive = 1;
        CopyText(picture.path, sizeof picture.path, input.path);
        return 0;
    }
    MessageId id;
    if (PNGReadMessage(result, id))
        ui.ShowMessage(id, nullptr, BoxOwner::kWindow);
    return -1;
}
