#include "app/open_readers.h"

#include <cstring>
#include <utility>

#include "app/document.h"
#include "colour/transparency_state.h"
#include "formats/painter/canvas_reader.h"
#include "formats/painter/painter_reader.h"
#include "formats/standard/png_codec.h"
#include "image/open_file.h"
#include "image/program_objects.h"
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

int LoadWith(int (*reader)(PainterRecord&, std::FILE*), WindowHandle window, PainterRecord& painter,
             const char* path)
{
    std::FILE* file = OpenRegularFile(path);
    if (!file)
        return kPainterLoadFailed;
    int result = reader(painter, file);
    if (result == kPainterBadVersion)
        ShowMessage(window, MessageId::kPainterVersion);
    else if (result < 0)
        ShowMessage(window, MessageId::kNotPainter);
    std::fclose(file);
    return result < 0 ? kPainterLoadFailed : kPainterLoaded;
}

// The canvas's painter: the short read of its file when there is one (its
// messages and failures do not change the canvas read), else its file name.
void SetCanvasPainterName(WindowHandle window, const char* painterPath)
{
    if (std::FILE* probe = OpenRegularFile(painterPath)) {
        std::fclose(probe);
        LoadPainterFileShort(window, CurrentPainter, painterPath);
        return;
    }
    if (!PainterNameFromMissingFile(painterPath, CurrentPainter.name, sizeof CurrentPainter.name))
        CopyText(CurrentPainter.name, sizeof CurrentPainter.name, kNoPainterName);
}

}  // namespace

int ReadPainter(PainterRecord& painter, std::FILE* file)
{
    RasterImage picture = std::move(Picture);
    MessageList messages;
    const PainterError error = DecodePainter(file, painter, picture, messages);
    Picture = std::move(picture);
    ShowMessages(nullptr, messages);
    if (error == PainterError::kNone)
        Document.kind = kPainter;
    return PainterResult(error);
}

int ReadPainterShort(PainterRecord& painter, std::FILE* file)
{
    return PainterResult(DecodePainterShort(file, painter));
}

int LoadPainterFile(WindowHandle window, PainterRecord& painter, const char* path)
{
    return LoadWith(ReadPainter, window, painter, path);
}

int LoadPainterFileShort(WindowHandle window, PainterRecord& painter, const char* path)
{
    return LoadWith(ReadPainterShort, window, painter, path);
}

int ReadCNV(WindowHandle window, char* subjectPath, char* painterPath, const char* canvasPath)
{
    // The decoder starts from the current values, which whatever the file
    // does not carry keeps. subjectPath is Picture's own path, so it is
    // copied before Picture is handed over and written after it is back.
    CanvasContents canvas;
    std::memcpy(canvas.subjectPath, subjectPath, kPathSize);
    std::memcpy(canvas.painterPath, painterPath, kPathSize);
    canvas.picture = std::move(Picture);
    canvas.record = std::move(CanvasInfo);
    MessageList messages;
    const CanvasError error = DecodeCanvasFile(canvasPath, canvas, messages);
    Picture = std::move(canvas.picture);
    CanvasInfo = std::move(canvas.record);
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
    SetCanvasPainterName(window, painterPath);
    Document.kind = kCanvas;
    return kCanvasRead;
}

int ReadItem(WindowHandle window, const char* path, RasterImage& picture, ItemRecord& item)
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
    CopyText(ItemExplanation, sizeof ItemExplanation, contents.explanation);
    if (contents.itemKind == kItemKindPen)
        Document.kind = kPenItem;
    else if (contents.itemKind == kItemKindOther)
        Document.kind = kOtherItem;
    return kItemRead;
}

int LoadPNG(WindowHandle window, const char* path, RasterImage& picture)
{
    bool alphaChannel = false;
    const int result = ReadPNG(path, picture, &AlphaMask, &alphaChannel);
    if (result >= 0) {
        if (alphaChannel)
            Transparency.MaskActive = 1;
        CopyText(picture.path, sizeof picture.path, path);
        return 0;
    }
    MessageId id;
    if (PngReadMessage(result, id))
        ShowMessage(window, id);
    return -1;
}
