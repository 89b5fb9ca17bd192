#include "app/open_dispatch.h"

#include <cstdint>
#include <cstring>

#include "app/open_readers.h"
#include "formats/painter/canvas_reader.h"
#include "formats/standard/bmp_codec.h"
#include "formats/standard/jpeg_codec.h"
#include "formats/standard/png_codec.h"
#include "image/sjis_text.h"

#define OPEN_FILTER                                                        \
    "IMG (*.ESI *.CNV *.JPG, *.BMP, *PNG, *ITM)\0"                         \
    "*.esi;*.cnv;*.jpg;*.bmp;*.png;*.itm\0"                                \
    "ESI (*.ESI)\0*.esi\0"                                                 \
    "CNV (*.CNV)\0*.cnv\0"                                                 \
    "JPEG (*.JPG)\0*.jpg\0"                                                \
    "Bitmap (*.BMP)\0*.BMP\0"                                              \
    "PNG (*.PNG)\0*.PNG\0"                                                 \
    "Item (*.ITM)\0*.ITM\0"

const char kOpenFilter[] = OPEN_FILTER;   // the literal's own NUL is the second one
const int kOpenFilterBytes = sizeof(OPEN_FILTER);

namespace {

void SetPainterName(Document& doc, const char* name)
{
    CopyText(doc.CurrentPainter.name, sizeof doc.CurrentPainter.name, name);
}

// Opens the file and reads its header, with the boxes of a file that cannot
// be opened. False when it cannot be opened.
bool OpenHeader(FrontEnd& ui, const InputFile& file, uint8_t header[12])
{
    if (ReadFileHeader(file, header))
        return true;
    ui.ShowMessage(MessageId::kFileCreateFailed, nullptr, BoxOwner::kWindow);
    ui.ShowMessage(MessageId::kTestPath, file.path, BoxOwner::kWindow);
    return false;
}

// The painter and canvas branches, shared by the content dispatch and the
// ESI and CNV filters: a failed read ends the open before the title.
int OpenPainter(FrontEnd& ui, const InputFile& file, Document& doc, ViewChanges& changes)
{
    if (LoadPainterFile(ui, file, doc, doc.CurrentPainter) < 0)
        return kOpenReadFailed;
    CopyText(doc.PainterPath, sizeof doc.PainterPath, file.path);
    AskForLayout(changes, doc);
    SetDocumentTitle(doc, file.path, doc.CurrentPainter.name, changes);
    return kOpenDone;
}

int OpenCanvas(FrontEnd& ui, const InputFile& file, Document& doc, ViewChanges& changes)
{
    if (ReadCNV(ui, file, doc, doc.Picture.path, doc.PainterPath) < 0) {
        ui.ShowMessage(MessageId::kCanvasReadFailed, nullptr, BoxOwner::kWindow);
        return kOpenReadFailed;
    }
    CopyText(doc.CanvasPath, sizeof doc.CanvasPath, file.path);
    AskForLayout(changes, doc);
    SetDocumentTitle(doc, file.path, doc.CurrentPainter.name, changes);
    return kOpenDone;
}

// OpenStandardImage on the file's first bytes, read once for every test
// (null when the file cannot be opened, which no content test accepts).
int OpenStandardImageWithHeader(FrontEnd& ui, const InputFile& file, const uint8_t* header, Document& doc,
                                RasterImage& picture)
{
    switch (StandardKindOf(file.path, header)) {
    case ContentKind::kPNG:
        return LoadPNG(ui, file, doc, picture);
    case ContentKind::kBMP:
        return LoadBMP(ui, file, picture);
    case ContentKind::kJPEG:
        return LoadJPEG(ui, file, 1, picture);
    default:
        break;
    }
    ui.ShowMessage(MessageId::kUnsupportedFile, nullptr, BoxOwner::kWindow);
    return -1;
}

// Steps after the header was read: the kind by its magic, else a standard image.
int OpenByContent(FrontEnd& ui, const InputFile& file, const uint8_t header[12], Document& doc, ViewChanges& changes)
{
    doc.kind = kNone;
    switch (KindByContent(file.path, header)) {
    case ContentKind::kItem:
        OpenItemFile(ui, file, doc, changes);
        SetPainterName(doc, kNoPainterName);
        SetDocumentTitle(doc, file.path, doc.CurrentPainter.name, changes);
        return kOpenDone;
    case ContentKind::kPainter:
        return OpenPainter(ui, file, doc, changes);
    case ContentKind::kCanvas:
        return OpenCanvas(ui, file, doc, changes);
    default:
        break;
    }
    SetPainterName(doc, kNoPainterName);
    if (OpenStandardImageWithHeader(ui, file, header, doc, doc.Picture) != 0) {
        ui.ShowMessage(MessageId::kReadFailed, nullptr, BoxOwner::kWindow);
    } else {
        doc.kind = kStandardImage;
        CopyText(doc.Picture.path, sizeof doc.Picture.path, file.path);
    }
    AskForLayout(changes, doc);
    SetDocumentTitle(doc, file.path, doc.CurrentPainter.name, changes);
    return kOpenDone;
}

}  // namespace

// A file shorter than the signatures keeps the initial header's bytes after
// its own, and those never complete "BM" or the PNG signature, so the
// answers are those of IsPNGFile and IsBMPFile.
ContentKind StandardKindOf(const char* path, const uint8_t* header)
{
    if (header && IsPNGSignature(header))
        return ContentKind::kPNG;
    if (header && IsBMPName(path) && header[0] == 'B' && header[1] == 'M')
        return ContentKind::kBMP;
    if (IsJPEGName(path))
        return ContentKind::kJPEG;
    return ContentKind::kUnsupported;
}

ContentKind KindByContent(const char* path, const uint8_t header[12])
{
    if (IsItemMagic(header))
        return ContentKind::kItem;
    if (IsPainterMagic(header))
        return ContentKind::kPainter;
    if (IsCanvasMagic(header))
        return ContentKind::kCanvas;
    return StandardKindOf(path, header);
}

int Read_ESI_CNV(FrontEnd& ui, const InputFile& file, Document& doc, ViewChanges& changes)
{
    uint8_t header[12];
    if (!OpenHeader(ui, file, header))
        return kOpenCannotOpen;
    doc.Transparency.MaskActive = 0;
    return OpenByContent(ui, file, header, doc, changes);
}

int OpenChosenFile(FrontEnd& ui, int filterIndex, const InputFile& file, Document& doc, ViewChanges& changes)
{
    doc.kind = kNone;
    doc.Transparency.MaskActive = 0;
    uint8_t header[12];
    switch (filterIndex) {
    case 1:
    case 2:
    case 3:
        // All types by content; ESI and CNV only the kind they name, and
        // anything else is laid out again under the old painter's name.
        if (!OpenHeader(ui, file, header))
            return kOpenCannotOpen;
        if (filterIndex == 1)
            return OpenByContent(ui, file, header, doc, changes);
        if (filterIndex == 2 && IsPainterMagic(header))
            return OpenPainter(ui, file, doc, changes);
        if (filterIndex == 3 && IsCanvasMagic(header))
            return OpenCanvas(ui, file, doc, changes);
        AskForLayout(changes, doc);
        break;
    case 4:
        if (ReadJPEG(file, doc.Picture) != 1)
            ui.ShowMessage(MessageId::kJpegOpenFailed, nullptr, BoxOwner::kWindow);
        doc.kind = kStandardImage;
        CopyText(doc.Picture.path, sizeof doc.Picture.path, file.path);
        AskForLayout(changes, doc);
        break;
    case 5:
        if (OpenBmpIntoPicture(file, doc, changes) < 0)
            ui.ShowMessage(MessageId::kBmpOpenFailed, nullptr, BoxOwner::kWindow);
        doc.kind = kStandardImage;
        break;
    case 6:
        if (OpenStandardImage(ui, file, doc, doc.Picture) == 0) {
            doc.kind = kStandardImage;
            AskForLayout(changes, doc);
        }
        break;
    case 7:
        OpenItemFile(ui, file, doc, changes);
        break;
    default:
        break;
    }
    SetDocumentTitle(doc, file.path, doc.CurrentPainter.name, changes);
    return kOpenDone;
}

int OpenStandardImage(FrontEnd& ui, const InputFile& file, Document& doc, RasterImage& picture)
{
    uint8_t header[12];
    return OpenStandardImageWithHeader(ui, file, ReadFileHeader(file, header) ? header : nullptr, doc, picture);
}

int OpenItemFile(FrontEnd& ui, const InputFile& file, Document& doc, ViewChanges& changes)
{
    RasterImage itemPicture;
    ItemRecord item;
    if (ReadItem(ui, file, doc, itemPicture, item) < 0) {
        ui.ShowMessage(MessageId::kItemReadFailed, nullptr, BoxOwner::kWindow);
        return -1;
    }
    doc.Picture.CopyPixelsFrom(itemPicture);
    doc.Picture.FillHeaders();
    AskForLayout(changes, doc);
    return 0;
}

int OpenBmpIntoPicture(const InputFile& file, Document& doc, ViewChanges& changes)
{
    if (ReadBMP(file, doc.Picture) < 0)
        return -1;
    AskForLayout(changes, doc);
    return 0;
}
