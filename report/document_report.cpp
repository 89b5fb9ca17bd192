#include "report/document_report.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "app/document.h"
#include "app/open_readers.h"
#include "image/front_end.h"
#include "formats/painter/canvas_info.h"
#include "formats/painter/item_reader.h"
#include "formats/painter/pen_shapes.h"
#include "colour/separation.h"
#include "profile/diagnosis.h"

const char* KindName(int kind)
{
    switch (kind) {
    case kCanvas: return "canvas";
    case kPainter: return "painter";
    case kPenItem: return "pen-item";
    case kOtherItem: return "other-item";
    case kStandardImage: return "standard-image";
    default: return "none";
    }
}

std::string ColourText(uint32_t colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return text;
}


namespace {

void ReportPen(Report& r, const char* name, const PenSettings& pen)
{
    r.Begin(name);
    r.Int("shape", pen.shape);
    r.Int("shapeAux", pen.shapeAux);
    r.Ints("hybridShapes", pen.hybridShapes, kHybridSlots);
    r.Int("width", pen.width);
    r.Int("height", pen.height);
    r.Int("alpha", pen.alpha);
    r.Int("consistency", pen.consistency);
    r.Int("density", pen.density);
    r.Int("stroke", pen.stroke);
    r.Int("strokeStep", pen.strokeStep);
    r.Int("interval", pen.interval);
    r.Int("step", pen.step);
    r.Int("auxInt", pen.auxInt);
    r.Begin("auxFloats");
    for (int i = 0; i < 3; ++i)
        r.Number(std::to_string(i).c_str(), pen.auxFloats[i]);
    r.End();
    r.Ints("auxInts", pen.auxInts, 4);
    r.Number("brightness", pen.brightness);
    r.Int("brightnessParam", pen.brightnessParam);
    r.Number("hue", pen.hue);
    r.Int("hueParam", pen.hueParam);
    r.Number("saturation", pen.saturation);
    r.Int("saturationParam", pen.saturationParam);
    r.End();
}

std::string Hex(const uint8_t* bytes, size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

}  // namespace

void ReportPainter(Report& r, const PainterRecord& p)
{
    r.Begin("painterRecord");
    r.Text("name", p.name);
    r.Int("isMaster", p.isMaster);
    r.Int("Type", p.Type);
    r.Int("PL", p.PL);
    r.Int("Exp", p.Exp);
    r.Int("RefreshExp", p.RefreshExp);
    r.Int("RefreshedCount", p.RefreshedCount);
    r.Int("PaintedCount", p.PaintedCount);
    r.Number("ErrorRangeForL", p.ErrorRangeForL);
    r.Number("ErrorRangeForH", p.ErrorRangeForH);
    r.Int("LoopTimeForL", p.LoopTimeForL);
    r.Int("LoopTimeForH", p.LoopTimeForH);
    r.Int("RegionSwitch", p.RegionSwitch);
    r.Int("opaqueA", p.opaqueA);
    r.Int("opaqueB", p.opaqueB);
    r.Int("opaqueC", p.opaqueC);
    r.Int("opaqueD", p.opaqueD);
    r.Int("opaqueE", p.opaqueE);
    r.Text("fillPenName", p.fillPenName);
    ReportPen(r, "fillPen", p.fillPen);
    r.Text("outlinePenName", p.outlinePenName);
    ReportPen(r, "outlinePen", p.outlinePen);
    for (const auto& [name, pen] : {std::pair<const char*, const PenSettings*>{"fillPenShape", &p.fillPen},
                                    std::pair<const char*, const PenSettings*>{"outlinePenShape", &p.outlinePen}}) {
        r.Begin(name);
        r.Text("name", PenShapeName(pen->shape));
        // The pens a hybrid pen is made of, by name.
        std::vector<std::string> parts;
        if (pen->shape == kHybridShape)
            for (int32_t shape : pen->hybridShapes)
                if (shape != -1)
                    parts.push_back(PenShapeName(shape));
        r.Texts("hybridOf", parts);
        r.End();
    }
    char diagnosis[kDiagnosisSize];
    BuildDiagnosis(p, diagnosis, sizeof diagnosis);
    r.Text("diagnosis", diagnosis);
    r.Int("extraPresent", p.extraPresent);
    r.Utf8("extraTableA", Hex(p.extraTableA, sizeof p.extraTableA));
    r.Utf8("extraTableB", Hex(p.extraTableB, sizeof p.extraTableB));
    r.Int("extraValueA", p.extraValueA);
    r.Int("extraFlag", p.extraFlag);
    r.Int("extraValueB", p.extraValueB);
    r.Text("memo", p.memo);
    r.End();
}

// The item is read again, as the use-item dialog does, for its record.
void ReportItem(Report& r, FrontEnd& ui, Document& doc, const InputFile& file)
{
    ItemRecord item;
    RasterImage picture;
    if (ReadItem(ui, file, doc, picture, item) < 0)
        return;
    r.Begin("item");
    r.Text("name", item.name);
    r.Int("penSelector", item.penSelector);
    r.Ints("penShapes", item.penShapes, 5);
    std::vector<std::string> shapes;
    for (int32_t shape : item.penShapes)
        if (shape != -1)
            shapes.push_back(PenShapeName(shape));
    r.Texts("penShapeNames", shapes);
    r.Int("penWidth", item.penWidth);
    r.Int("penConsistency", item.penConsistency);
    r.Int("penDensity", item.penDensity);
    r.Int("penAux", item.penAux);
    r.Int("hasPenEffect", ItemHasPenEffect(item) ? 1 : 0);
    r.Text("explanation", doc.ItemExplanation);
    r.End();
}

void ReportCanvas(Report& r, const Document& doc)
{
    const CanvasRecord& c = doc.CanvasInfo;
    r.Begin("canvas");
    r.Text("subjectPath", doc.Picture.path);
    r.Text("painterPath", doc.PainterPath);
    r.Int("canvasValueA", c.canvasValueA);
    r.Int("canvasValueB", c.canvasValueB);
    r.Int("canvasValueC", c.canvasValueC);
    r.Int("canvasValueD", c.canvasValueD);
    r.Int("canvasValueE", c.canvasValueE);
    r.Int("canvasValueF", c.canvasValueF);
    r.Int("canvasValueG", c.canvasValueG);
    r.Int("canvasBlockLength", c.canvasBlock.length);
    r.Int("hasLayers", c.hasLayers);
    r.Int("maskLevel", c.maskLevel);
    r.Int("maskScale", c.maskScale);
    r.End();
}

Report DocumentDetails(FrontEnd& ui, Document& doc, const InputFile& file, bool loaded)
{
    Report details;
    if (loaded && doc.kind == kPainter)
        ReportPainter(details, doc.CurrentPainter);
    if (loaded && doc.kind == kCanvas)
        ReportCanvas(details, doc);
    if (loaded && (doc.kind == kPenItem || doc.kind == kOtherItem))
        ReportItem(details, ui, doc, file);
    return details;
}

std::string InfoJson(const Document& doc, const std::string& shownPath, bool loaded, const Report& details,
                     const std::vector<std::string>& messages)
{
    Report r;
    r.Utf8("path", shownPath);
    r.Utf8("kind", KindName(doc.kind));
    r.Int("width", loaded ? doc.Picture.width : 0);
    r.Int("height", loaded ? doc.Picture.height : 0);
    r.Text("painter", doc.CurrentPainter.name);
    r.Utf8s("messages", messages);
    if (loaded) {
        // What the transparency dialog would propose for this picture.
        uint32_t pen = 0, background = 0;
        FindDarkestBrightest(doc.Picture, pen, background);
        r.Utf8("proposedPen", ColourText(pen));
        r.Utf8("proposedBackground", ColourText(background));
    }
    std::string json = r.Json();
    const std::string more = details.Json();
    if (more.size() > 2)   // not "{}"
        json = json.substr(0, json.size() - 1) + "," + more.substr(1);
    return json;
}
