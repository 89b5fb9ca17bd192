// Writes the bundled sample files: pictures drawn here, in the formats the
// viewer opens. Usage: make_samples OUTPUT_FOLDER
#include <cmath>
#include <cstdio>
#include <string>

#include "formats/painter/painter_record.h"
#include "formats/standard/jpeg_codec.h"
#include "image/raster_image.h"
#include "image/sjis_text.h"
#include "tools/writers/canvas_file_writer.h"
#include "tools/writers/item_file_writer.h"
#include "tools/writers/painter_file_writer.h"

namespace {

constexpr int kPainterPictureSide = 100;

struct Colour {
    double r, g, b;
};

Colour Mix(Colour a, Colour b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

void Put(RasterImage& p, int x, int yFromTop, Colour c)
{
    uint8_t* px = p.pixels.data + p.Offset(x, p.height - 1 - yFromTop);
    px[0] = static_cast<uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, c.b))));
    px[1] = static_cast<uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, c.g))));
    px[2] = static_cast<uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, c.r))));
}

// A landscape at dusk: sky, sun, two rows of hills, a lake with reflections.
void DrawLandscape(RasterImage& p, int width, int height)
{
    p.ResizeAndFill(width, height, 0);
    const Colour skyTop{40, 60, 140}, skyLow{250, 170, 110}, sun{255, 235, 170};
    const Colour farHill{120, 90, 140}, nearHill{50, 90, 60}, lake{60, 90, 150};
    const double horizon = height * 0.62, sunX = width * 0.68, sunY = height * 0.45, sunR = height * 0.09;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double u = double(x) / width;
            Colour c;
            double farTop = horizon - height * (0.10 + 0.05 * std::sin(u * 7.0 + 1.0));
            double nearTop = horizon - height * (0.04 + 0.04 * std::sin(u * 11.0 + 0.3) * std::cos(u * 3.0));
            if (y < horizon) {
                c = Mix(skyTop, skyLow, std::pow(y / horizon, 1.4));
                double d = std::hypot(x - sunX, y - sunY);
                if (d < sunR)
                    c = sun;
                else if (d < sunR * 3)
                    c = Mix(c, sun, 0.35 * (1 - (d - sunR) / (sunR * 2)));
                if (y > farTop)
                    c = Mix(farHill, skyLow, 0.25 * (horizon - y) / (horizon - farTop + 1));
                if (y > nearTop)
                    c = nearHill;
            } else {
                double depth = (y - horizon) / (height - horizon);
                c = Mix(lake, skyLow, 0.35 * (1 - depth));
                double ripple = 0.5 + 0.5 * std::sin(y * 0.9 + std::sin(x * 0.05) * 2.0);
                if (std::fabs(x - sunX) < sunR * (1.4 - depth) * ripple)
                    c = Mix(c, sun, 0.55 * (1 - depth));
            }
            Put(p, x, y, c);
        }
    }
    p.FillHeaders();
}

// Scales a picture down by whole steps (nearest pixel).
void Shrink(const RasterImage& source, int factor, RasterImage& out)
{
    out.ResizeAndFill(source.width / factor, source.height / factor, 0);
    for (int row = 0; row < out.height; ++row)
        for (int x = 0; x < out.width; ++x)
            for (int i = 0; i < 3; ++i)
                out.pixels.data[out.Offset(x, row) + i] = source.pixels.data[source.Offset(x * factor, row * factor) + i];
    out.FillHeaders();
}

// A pen's picture: a stroke of the pen's colour on white, thick or thin.
void DrawPenPicture(RasterImage& p, Colour ink, double thickness)
{
    p.ResizeAndFill(kPenPictureSize, kPenPictureSize, -1);
    for (int y = 0; y < kPenPictureSize; ++y)
        for (int x = 0; x < kPenPictureSize; ++x) {
            double centre = 25 + 12 * std::sin(x * 0.16);
            double d = std::fabs(y - centre) / thickness;
            if (d < 1.0)
                Put(p, x, y, Mix(ink, Colour{255, 255, 255}, d * d));
        }
    p.FillHeaders();
}

// The painter's own picture: a flower, 100 x 100.
void DrawFlower(RasterImage& p)
{
    p.ResizeAndFill(kPainterPictureSide, kPainterPictureSide, 0);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            double dx = x - 50, dy = y - 42, r = std::hypot(dx, dy), a = std::atan2(dy, dx);
            Colour c = Mix(Colour{235, 240, 220}, Colour{200, 220, 190}, y / 100.0);
            if (x > 47 && x < 53 && y > 50)
                c = Colour{70, 130, 60};                                   // stem
            if (r < 30 + 8 * std::cos(5 * a))
                c = Mix(Colour{240, 120, 160}, Colour{250, 200, 215}, r / 38);   // petals
            if (r < 9)
                c = Colour{250, 200, 60};                                  // heart
            Put(p, x, y, c);
        }
    p.FillHeaders();
}

// A woven canvas texture for the mask layer: mostly light, dark between threads.
void DrawWeave(RasterImage& p, int side)
{
    p.ResizeAndFill(side, side, 0);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            double v = 215 + 40 * std::sin(x * 0.8) * std::sin(y * 0.8);
            Put(p, x, y, Colour{v, v, v});
        }
    p.FillHeaders();
}

void Fill(RasterImage& p, int width, int height, Colour c)
{
    p.ResizeAndFill(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            Put(p, x, y, c);
    p.FillHeaders();
}

bool WritePainter(const std::string& path)
{
    PainterRecord painter;
    CopyText(painter.name, sizeof painter.name, "花子");
    CopyText(painter.fillPenName, sizeof painter.fillPenName, "やわらか丸筆");
    CopyText(painter.outlinePenName, sizeof painter.outlinePenName, "細い輪郭筆");
    CopyText(painter.memo, sizeof painter.memo,
             "花と夕焼けが好きな絵師です。\r\n淡い色でゆっくり塗ります。");
    painter.fillPen.width = 8;
    painter.fillPen.height = 8;
    painter.fillPen.alpha = 120;
    painter.fillPen.consistency = 35;
    painter.fillPen.density = 60;
    painter.fillPen.brightness = 1.15f;
    painter.outlinePen = DefaultFillPen();
    painter.outlinePen.shape = 0;
    painter.outlinePen.width = 2;
    painter.outlinePen.alpha = 200;
    painter.outlinePen.brightness = 0.8f;
    painter.PL = 72;
    painter.ErrorRangeForL = 12.0f;
    painter.PaintedCount = 64;
    painter.Exp = 40;
    painter.Type = 1;
    DrawPenPicture(painter.fillPenPicture, Colour{230, 110, 150}, 9);
    DrawPenPicture(painter.outlinePenPicture, Colour{60, 60, 90}, 2.5);
    RasterImage flower;
    DrawFlower(flower);
    PainterFileLayout layout(painter, flower);
    return WritePainterFile(path.c_str(), layout);
}

bool WriteCanvas(const std::string& path, const RasterImage& landscape)
{
    RasterImage painted, weave, paper;
    Shrink(landscape, 2, painted);
    DrawWeave(weave, 64);
    Fill(paper, painted.width, painted.height, Colour{238, 228, 205});
    CanvasFileFields fields;
    fields.subjectPath = "landscape.jpg";
    fields.painterPath = "hanako.esi";
    fields.hasLayers = 1;
    fields.maskLevel = 10;
    fields.maskScale = 50;
    fields.underWidth = paper.width;
    fields.underHeight = paper.height;
    fields.maskLayer = &weave;
    fields.underLayer = &paper;
    fields.mainPicture = &painted;
    fields.mainFormat = 1;
    return WriteCanvasFile(path.c_str(), fields);
}

// A pen item: a sparkling gem that gives a hybrid pen.
bool WriteItem(const std::string& path)
{
    RasterImage gem;
    gem.ResizeAndFill(kItemPictureSize, kItemPictureSize, -1);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) {
            double dx = std::fabs(x - 24.5), dy = y - 24.5;
            bool inside = dy < 0 ? dx < 16 + dy * 0.4 && dy > -12 : dx + dy * 0.9 < 16;
            if (!inside)
                continue;
            double shade = 0.5 + 0.5 * std::sin((x + y) * 0.35);
            Put(gem, x, y, Mix(Colour{40, 150, 170}, Colour{170, 240, 240}, dy < 0 ? 0.8 : shade));
        }
    gem.FillHeaders();
    ItemRecord item;
    CopyText(item.name, sizeof item.name, "きらきら筆");
    item.penSelector = kItemHybridPen;
    item.penShapes[0] = 3;
    item.penShapes[1] = 5;
    item.penWidth = 6;
    item.penConsistency = 40;
    item.penDensity = 70;
    ItemFileLayout layout(item, gem);
    layout.itemKind = kItemKindPen;
    return WriteItemFile(path.c_str(), layout);
}

bool WriteJpeg(const std::string& path, const RasterImage& p)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = EncodeJPEG(p, 85, 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    RasterImage landscape;
    DrawLandscape(landscape, 640, 480);
    const struct {
        const char* name;
        bool written;
    } samples[] = {
        {"landscape.jpg", WriteJpeg(folder + "/landscape.jpg", landscape)},
        {"hanako.esi", WritePainter(folder + "/hanako.esi")},
        {"sunset.cnv", WriteCanvas(folder + "/sunset.cnv", landscape)},
        {"kirakira.itm", WriteItem(folder + "/kirakira.itm")},
    };
    int result = 0;
    for (const auto& sample : samples)
        if (!sample.written) {
            std::fprintf(stderr, "make_samples: cannot write %s/%s\n", folder.c_str(), sample.name);
            result = 1;
        }
    return result;
}
