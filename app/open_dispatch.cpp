#include "app/open_dispatch.h"

#include <cstdint>
#include <cstring>

#include "app/document.h"
#include "app/open_readers.h"
#include "colour/transparency_state.h"
#include "formats/painter/canvas_reader.h"
#include "formats/standard/bmp_codec.h"
#include "formats/standard/jpeg_codec.h"
#include "formats/standard/png_codec.h"
#include "image/program_objects.h"
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

const char* PainterName() { return CurrentPainter.name; }
void SetPainterName(const char* name) { CopyText(CurrentPainter.name, sizeof CurrentPainter.name, name); }

// Opens the file and reads its header, with the boxes of a file that cannot
// be opened. False when it cannot be opened.
bool OpenHeader(WindowHandle window, const char* path, uint8_t header[12])
{
    if (ReadFileHeader(path, header))
        return true;
    ShowMessage(window, MessageId::kFileCreateFailed);
    ShowMessage(window, MessageId::kTestPath, path);
    return false;
}

// The painter and canvas branches, shared by the content dispatch and the
// ESI and CNV filters: a failed read ends the open before the title.
int OpenPainter(WindowHandle window, const char* path)
{
    if (LoadPainterFile(window, CurrentPainter, path) < 0)
        return kOpenReadFailed;
    CopyText(Document.PainterPath, sizeof Document.PainterPath, path);
    LayoutView(window);
    SetDocumentTitle(window, path, PainterName());
    return kOpenDone;
}

int OpenCanvas(WindowHandle window, const char* path)
{
    if (ReadCNV(window, Picture.path, Document.PainterPath, path) < 0) {
        ShowMessage(window, MessageId::kCanvasReadFailed);
        return kOpenReadFailed;
    }
    CopyText(Document.CanvasPath, sizeof Document.CanvasPath, path);
    LayoutView(window);
    SetDocumentTitle(window, path, PainterName());
    return kOpenDone;
}

// OpenStandardImage on the file's first bytes, read once for every test
// (null when the file cannot be opened, which no content test accepts).
int OpenStandardImageWithHeader(WindowHandle window, const char* path, const uint8_t* header, RasterImage& picture)
{
    switch (StandardKindOf(path, header)) {
    case ContentKind::kPng:
        return LoadPNG(window, path, picture);
    case ContentKind::kBmp:
        return LoadBMP(window, path, picture);
    case ContentKind::kJpeg:
        return LoadJPEG(window, path, picture, 1);
    default:
        break;
    }
    ShowMessage(window, MessageId::kUnsupportedFile);
    return -1;
}

// Steps after the header was read: the kind by its magic, else a standard image.
int OpenByContent(WindowHandle window, const char* path, const uint8_t header[12])
{
    Document.kind = kNone;
    switch (KindByContent(path, header)) {
    case ContentKind::kItem:
        OpenItemFile(window, path);
        SetPainterName(kNoPainterName);
        SetDocumentTitle(window, path, PainterName());
        return kOpenDone;
    case ContentKind::kPainter:
        return OpenPainter(window, path);
    case ContentKind::kCanvas:
        return OpenCanvas(window, path);
    default:
        break;
    }
    SetPainterName(kNoPainterName);
    if (OpenStandardImageWithHeader(window, path, header, Picture) != 0) {
        ShowMessage(window, MessageId::kReadFailed);
    } else {
        Document.kind = kStandardImage;
        CopyText(Picture.path, sizeof Picture.path, path);
    }
    LayoutView(window);
    SetDocumentTitle(window, path, PainterName());
    return kOpenDone;
}

}  // namespace

// A file shorter than the signatures keeps the initial header's bytes after
// its own, and those never complete "BM" or the PNG signature, so the
// answers are those of IsPNGFile and IsBMPFile.
ContentKind StandardKindOf(const char* path, const uint8_t* header)
{
    if (header && IsPngSignature(header))
        return ContentKind::kPng;
    if (header && IsBmpName(path) && header[0] == 'B' && header[1] == 'M')
        return ContentKind::kBmp;
    if (IsJPEGName(path))
        return ContentKind::kJpeg;
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

int Read_ESI_CNV(WindowHandle window, const char* path)
{
    uint8_t header[12];
    if (!OpenHeader(window, path, header))
        return kOpenCannotOpen;
    Transparency.MaskActive = 0;
    return OpenByContent(window, path, header);
}

int OpenChosenFile(WindowHandle window, int filterIndex, const char* path)
{
    Document.kind = kNone;
    Transparency.MaskActive = 0;
    uint8_t header[12];
    switch (filterIndex) {
    case 1:
    case 2:
    case 3:
        // All types by content; ESI and CNV only the kind they name, and
        // anything else is laid out again under the old painter's name.
        if (!OpenHeader(window, path, header))
            return kOpenCannotOpen;
        if (filterIndex == 1)
            return OpenByContent(window, path, header);
        if (filterIndex == 2 && IsPainterMagic(header))
            return OpenPainter(window, path);
        if (filterIndex == 3 && IsCanvasMagic(header))
            return OpenCanvas(window, path);
        LayoutView(window);
        break;
    case 4:
        if (ReadJPEG(path, Picture) != 1)
            ShowMessage(window, MessageId::kJpegOpenFailed);
        Document.kind = kStandardImage;
        CopyText(Picture.path, sizeof Picture.path, path);
        LayoutView(window);
        break;
    case 5:
        if (OpenBmpIntoPicture(window, path) < 0)
            ShowMessage(window, MessageId::kBmpOpenFailed);
        Document.kind = kStandardImage;
        break;
    case 6:
        if (OpenStandardImage(window, path, Picture) == 0) {
            Document.kind = kStandardImage;
            LayoutView(window);
        }
        break;
    case 7:
        OpenItemFile(window, path);
        break;
    default:
        break;
    }
    SetDocumentTitle(window, path, PainterName());
    return kOpenDone;
}

void ResetProgramState()
{
    Document = DocumentState();
    Transparency = TransparencyState();
    Picture = RasterImage();
    AlphaMask = ByteBuffer();
    Backdrop = RasterImage();
    CanvasInfo = CanvasRecord();
    CurrentPainter = PainterRecord();
    std::memset(ItemExplanation, 0, sizeof ItemExplanation);
}

int OpenStandardImage(WindowHandle window, const char* path, RasterImage& picture)
{
    uint8_t header[12];
    return OpenStandardImageWithHeader(window, path, ReadFileHeader(path, header) ? header : nullptr, picture);
}

int OpenItemFile(WindowHandle window, const char* path)
{
    RasterImage itemPicture;
    ItemRecord item;
    if (ReadItem(window, path, itemPicture, item) < 0) {
        ShowMessage(window, MessageId::kItemReadFailed);
        return -1;
    }
    Picture.CopyPixelsFrom(itemPicture);
    Picture.FillHeaders();
    LayoutView(window);
    return 0;
}

int OpenBmpIntoPicture(WindowHandle window, const char* path)
{
    if (ReadBMP(Picture, path) < 0)
        return -1;
    LayoutView(window);
    return 0;
}
