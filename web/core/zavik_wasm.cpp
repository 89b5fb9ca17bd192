// The core in the browser: a thin C interface over the viewer's own open
// dispatch, view, colour dialogs' logic, properties and save pipeline, called
// by the page's worker (web/src/worker.js), and the browser's front end
// (image/front_end.h).
//
// Files are handed over through emscripten's in-memory file system: the
// worker writes the dropped file under its own name (JPEG is recognised by
// name, as in the viewer) and the core reads it as it reads any file. Texts
// cross as UTF-8 JSON; pixels as RGBA rows, top row first, in the core's
// memory: the view's until the next zv_render, the properties' pictures'
// until the next zv_render_picture.
#include <emscripten/emscripten.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/open_dispatch.h"
#include "app/open_readers.h"
#include "image/front_end.h"
#include "app/view_layout.h"
#include "app/zoom.h"
#include "report/report.h"
#include "report/utf8.h"
#include "colour/separation.h"
#include "colour/transparency_state.h"
#include "formats/painter/item_reader.h"
#include "formats/standard/save_pipeline.h"
#include "profile/diagnosis.h"
#include "formats/painter/pen_shapes.h"

namespace {

struct PageMessage {
    MessageId id;
    std::string argument;   // the file name in the text: the browser's, UTF-8
};

struct RgbaPixels {
    std::vector<uint8_t> bytes;
    int32_t width = 0, height = 0;
};

// The page's session: its one document, which every open and dialog of the
// page works on as the viewer's do on the viewer's, and what the page reads.
struct WebState {
    Document document;
    std::vector<PageMessage> messages;
    std::string title;                 // code page 932
    // The transparency dialog's working colours: they start black and keep
    // their values between openings, changed only by the scan (or a swap).
    uint32_t workingPen = 0, workingBackground = 0;
    RgbaPixels view;                   // what the window shows, as last rendered
    RgbaPixels picture;                // the last picture of the properties
    std::string json;                  // the last text handed out
};

WebState& Web()
{
    static WebState state;
    return state;
}

Document& Doc() { return Web().document; }

const char* Hand(std::string text)
{
    Web().json = std::move(text);
    return Web().json.c_str();
}

// A picture's pixels as RGBA rows from the top, opaque.
int ToRgba(const RasterImage& image, RgbaPixels& out)
{
    const size_t w = static_cast<size_t>(image.width), h = static_cast<size_t>(image.height);
    if (image.pixels.length < static_cast<int64_t>(image.stride) * image.height) {
        out = RgbaPixels();
        return -1;
    }
    out.width = image.width;
    out.height = image.height;
    out.bytes.resize(w * h * 4);
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* src = image.pixels.data + (h - 1 - y) * static_cast<size_t>(image.stride);
        uint8_t* dst = out.bytes.data() + y * w * 4;
        for (size_t x = 0; x < w; ++x, src += 3, dst += 4) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = 255;
        }
    }
    return 0;
}

std::string ColourText(uint32_t colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return text;
}

void PenFields(Report& r, const char* name, const char* penName, const PenSettings& pen)
{
    r.Begin(name);
    r.Text("name", penName);
    r.Text("shape", PenShapeName(pen.shape));
    r.Int("width", pen.width);
    r.Int("consistency", pen.consistency);
    r.Int("density", pen.density);
    r.End();
}

// The title as UTF-8. The viewer's title begins with the document's path
// (SetDocumentTitle, which also keeps that path as CurrentPath), and here
// the path is the browser's file name in UTF-8, not code page 932: when the
// title begins with the whole path, only the rest is converted. A path cut
// to fit the title does not match and the title converts as one, as before.
std::string TitleText(const std::string& title, const std::string& path)
{
    if (title.compare(0, path.size(), path) != 0)
        return Cp932ToUtf8(title.c_str());
    return path + Cp932ToUtf8(title.c_str() + path.size());
}

// ------------------------------------------------------------ the front end
// Messages are kept for the page, which shows each in a dialog with its
// caption, whoever would own its box. The page reads the item's name from
// the properties, not from a control.
class PageFrontEnd final : public FrontEnd {
public:
    void ShowMessage(MessageId id, const char* argument, BoxOwner) override
    {
        Web().messages.push_back({id, argument ? argument : ""});
    }
    void SetControlText(int, const char*) override {}
};

}  // namespace

// -------------------------------------------------------------- the interface
extern "C" {

// Opens the file at path by its content, as a drop on the window does.
// Returns Read_ESI_CNV's result; a name longer than the path buffers is
// refused with the viewer's message (-3).
EMSCRIPTEN_KEEPALIVE int zv_open(const char* path)
{
    if (std::strlen(path) >= static_cast<size_t>(kPathSize)) {
        PageFrontEnd().ShowMessage(MessageId::kFileNameTooLong, nullptr, BoxOwner::kWindow);
        return kOpenCannotOpen;
    }
    // The page asks for the view (zv_render) after every change; only the
    // title is kept.
    PageFrontEnd ui;
    ViewChanges changes;
    const int result = Read_ESI_CNV(ui, path, Doc(), changes);
    if (changes.title)
        Web().title = changes.titleText;
    return result;
}

// A zoom step of the menu, 100, 90, ... 10 percent.
EMSCRIPTEN_KEEPALIVE int zv_set_zoom(int percent)
{
    const float factor = ZoomFactorForCommand(kZoomFirstCommand + (100 - percent) / 10);
    if (percent % 10 != 0 || factor == 0.0f)
        return -1;
    Doc().ZoomFactor = factor;
    return 0;
}

// What the window shows at the current zoom, as RGBA (zv_pixels(0)).
EMSCRIPTEN_KEEPALIVE int zv_render()
{
    RasterImage view;
    if (RenderView(Doc(), view, Doc().ZoomFactor) != kRasterOk)
        return -1;
    return ToRgba(view, Web().view);
}

// The pictures of the properties, as RGBA (zv_pixels(1)): 0 fill pen,
// 1 outline pen (painters), 2 the item's picture as the use-item dialog
// reads it again.
EMSCRIPTEN_KEEPALIVE int zv_render_picture(int which)
{
    RgbaPixels& out = Web().picture;
    if (which == 0)
        return ToRgba(Doc().CurrentPainter.fillPenPicture, out);
    if (which == 1)
        return ToRgba(Doc().CurrentPainter.outlinePenPicture, out);
    ItemRecord item;
    RasterImage picture;
    PageFrontEnd ui;
    if (ReadItem(ui, Doc().CurrentPath, Doc(), picture, item) < 0)
        return -1;
    return ToRgba(picture, out);
}

// The pixels of zv_render (0) or zv_render_picture (1).
EMSCRIPTEN_KEEPALIVE const uint8_t* zv_pixels(int which) { return (which ? Web().picture : Web().view).bytes.data(); }
EMSCRIPTEN_KEEPALIVE int zv_pixels_width(int which) { return (which ? Web().picture : Web().view).width; }
EMSCRIPTEN_KEEPALIVE int zv_pixels_height(int which) { return (which ? Web().picture : Web().view).height; }

// The transparency dialog opened: its working colours take the darkest and
// brightest pixels of the picture.
EMSCRIPTEN_KEEPALIVE void zv_propose_colours()
{
    FindDarkestBrightest(Doc().Picture, Web().workingPen, Web().workingBackground);
}

// "反転" of the transparency dialog.
EMSCRIPTEN_KEEPALIVE void zv_swap_colours() { std::swap(Web().workingPen, Web().workingBackground); }

// OK of the transparency dialog with the working colours.
EMSCRIPTEN_KEEPALIVE int zv_apply_transparency(uint32_t tolerance)
{
    Document& doc = Doc();
    PageFrontEnd ui;
    return ApplyTransparencyChoice(ui, doc.Picture, doc.AlphaMask, doc.Transparency, Web().workingPen,
                                   Web().workingBackground, tolerance);
}

// OK of the pen and background colour dialog (colours packed 0x00BBGGRR).
EMSCRIPTEN_KEEPALIVE int zv_apply_colours(uint32_t pen, uint32_t background, int transparent)
{
    Document& doc = Doc();
    return ApplyPenBackgroundChoice(doc.Picture, doc.AlphaMask, doc.Transparency, pen, background, transparent != 0);
}

// Save with the save dialog's filter index (1 JPEG, 2 BMP, 3 PNG) to path.
// 1 when nothing is loaded (after the viewer's message), else the writer's
// result.
EMSCRIPTEN_KEEPALIVE int zv_save(int filterIndex, const char* path)
{
    Document& doc = Doc();
    PageFrontEnd ui;
    if (doc.PainterPath[0] == '\0' && doc.CanvasPath[0] == '\0' && doc.Picture.path[0] == '\0') {
        ui.ShowMessage(MessageId::kNothingToSave, nullptr, BoxOwner::kWindow);
        return 1;
    }
    return SaveByFilterIndex(ui, filterIndex, path, doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency);
}

// The document, the view and the messages shown since the last call (which
// are then forgotten), as JSON.
EMSCRIPTEN_KEEPALIVE const char* zv_state()
{
    Document& doc = Doc();
    WebState& web = Web();
    Report r;
    r.Int("kind", doc.kind);
    r.Int("width", doc.Picture.width);
    r.Int("height", doc.Picture.height);
    // The zoom as the menu's check mark shows it (0: no item checked).
    const int zoomItem = CheckedZoomCommand(doc.ZoomFactor);
    r.Int("zoomPercent", zoomItem ? 100 - (zoomItem - kZoomFirstCommand) * 10 : 0);
    r.Utf8("title", TitleText(web.title, doc.CurrentPath));
    char status[kStatusSize];
    FormatPaintStatus(status, doc.CurrentPainter.name, doc.Picture.width, doc.Picture.height);
    r.Text("status", status);
    r.Int("maskActive", doc.Transparency.MaskActive);
    r.Int("backgroundMode", doc.Transparency.BackgroundMode);
    r.Utf8("penColour", ColourText(doc.Transparency.PenColor));
    r.Utf8("backgroundColour", ColourText(doc.Transparency.BGColor));
    r.Utf8("workingPen", ColourText(web.workingPen));
    r.Utf8("workingBackground", ColourText(web.workingBackground));
    std::vector<std::string> texts, captions;
    for (const PageMessage& m : web.messages) {
        const MessageText& text = TextOfMessage(m.id);
        texts.push_back(Cp932ToUtf8(text.before) + m.argument + Cp932ToUtf8(text.after));
        captions.push_back(text.caption);
    }
    web.messages.clear();
    r.Utf8s("messages", texts);
    r.Texts("captions", captions);
    return Hand(r.Json());
}

// What the properties command shows for the document, as JSON: the painter
// dialog's fields, memo and diagnosis; the use-item dialog's name and
// explanation (the item is read again, as the dialog reads it); the size box
// of a standard image. A failing item read shows the dialog's message.
EMSCRIPTEN_KEEPALIVE const char* zv_properties()
{
    Document& doc = Doc();
    Report r;
    r.Int("kind", doc.kind);
    switch (doc.kind) {
    case kPainter: {
        const PainterRecord& p = doc.CurrentPainter;
        r.Text("name", p.name);
        PenFields(r, "fillPen", p.fillPenName, p.fillPen);
        PenFields(r, "outlinePen", p.outlinePenName, p.outlinePen);
        r.Text("memo", p.memo);
        char diagnosis[kDiagnosisSize];
        BuildDiagnosis(p, diagnosis, sizeof diagnosis);
        r.Text("diagnosis", diagnosis);
        break;
    }
    case kPenItem:
    case kOtherItem: {
        ItemRecord item;
        RasterImage picture;
        PageFrontEnd ui;
        if (ReadItem(ui, doc.CurrentPath, doc, picture, item) < 0) {
            ui.ShowMessage(MessageId::kFailedPath, doc.CurrentPath, BoxOwner::kWindow);
            break;
        }
        r.Text("name", item.name);
        r.Text("explanation", doc.ItemExplanation);
        break;
    }
    case kStandardImage: {
        char size[kStatusSize];
        FormatSizeText(size, doc.Picture.width, doc.Picture.height);
        r.Text("size", size);
        break;
    }
    default:
        break;
    }
    return Hand(r.Json());
}

}  // extern "C"
