// zavik: the viewer's open dispatch, view and save writers on the command
// line. Files open exactly as in the window (by content, through the same
// dispatch), one after the other; each file starts from a clean document.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/document.h"
#include "app/open_dispatch.h"
#include "app/version.h"
#include "app/view_layout.h"
#include "cli/cli_platform.h"
#include "cli/report.h"
#include "cli/text_output.h"
#include "colour/separation.h"
#include "colour/transparency_state.h"
#include "formats/painter/item_reader.h"
#include "formats/standard/bmp_codec.h"
#include "formats/standard/jpeg_codec.h"
#include "formats/standard/png_codec.h"
#include "formats/standard/safe_output.h"
#include "formats/standard/save_pipeline.h"
#include "image/program_objects.h"
#include "profile/diagnosis.h"
#include "profile/pen_shapes.h"

namespace {

enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

const char kUsage[] =
    "Usage: zavik COMMAND [OPTIONS] FILE...\n"
    "\n"
    "Opens the files of the painting program (painter .esi, canvas .cnv,\n"
    "item .itm) and JPEG, BMP and PNG images by their content, as zavik view does.\n"
    "\n"
    "Commands:\n"
    "  info FILE...          kind, size and painter of each file\n"
    "  convert FILE OUT      save the picture as JPEG, BMP or PNG\n"
    "  render FILE OUT       save what the window shows, at a zoom\n"
    "\n"
    "  zavik COMMAND --help  options of a command\n"
    "  zavik --version       the version\n"
    "\n"
    "Messages the viewer would show in boxes go to standard error as UTF-8.\n"
    "Exit status: 0 success, 1 a file could not be opened, read or written,\n"
    "2 wrong usage.\n";

const char kInfoUsage[] =
    "Usage: zavik info [--json] FILE...\n"
    "\n"
    "Prints, for each file, its kind, its picture size and the painter name.\n"
    "  --json   one JSON object per line with the keys path, kind, width,\n"
    "           height, painter and messages (the texts the viewer would show)\n";

#define COLOUR_OPTIONS                                                                     \
    "\n"                                                                                   \
    "Colour steps, taken in this order as the two colour dialogs take them:\n"             \
    "  --separate            separate ink from background (背景透過) with the\n"          \
    "                        darkest pixel as pen and the brightest as background\n"      \
    "  --pen #RRGGBB         ... with this pen colour instead\n"                           \
    "  --background #RRGGBB  ... with this background colour instead\n"                    \
    "  --swap                exchange the two (反転)\n"                                    \
    "  --tolerance N         luminance tolerance of the background, default 10\n"        \
    "  --fill #RRGGBB        then fill the background with this colour (背景色)\n"         \
    "  --transparent         then keep the background transparent (透過)\n"               \
    "  --pen-color #RRGGBB   the pen colour of that step (the ink is recoloured)\n"       \
    "A separation that fails prints the viewer's message and writes nothing.\n"

const char kConvertUsage[] =
    "Usage: zavik convert [--format jpeg|bmp|png] [COLOUR STEPS] FILE OUT\n"
    "\n"
    "Opens FILE as the viewer does and saves it to OUT as Save does: JPEG\n"
    "(progressive, quality 80), BMP (24-bit) or PNG, a separated picture\n"
    "over its background colour, or over white (JPEG, BMP) or with an alpha\n"
    "channel (PNG) when the background is transparent. The format comes\n"
    "from --format or else from OUT's extension (.jpg/.jpeg, .bmp, .png).\n" COLOUR_OPTIONS;

const char kRenderUsage[] =
    "Usage: zavik render [--zoom PERCENT] [COLOUR STEPS] FILE OUT\n"
    "\n"
    "Writes what the window shows for FILE to OUT (BMP or PNG): the picture\n"
    "composed as the view composes it, at PERCENT (100 down to 10 in steps\n"
    "of 10, default 100), shrunk by dropping rows and columns.\n" COLOUR_OPTIONS;

// Which options a command takes.
enum OptionSet : unsigned { kJsonOption = 1, kFormatOption = 2, kZoomOption = 4, kColourOptions = 8 };

struct ColourSteps {
    bool separate = false;
    bool havePen = false, haveBackground = false;
    uint32_t pen = 0, background = 0;   // packed 0x00BBGGRR
    bool swap = false;
    uint32_t tolerance = 10;
    enum { kNoChoice, kFill, kKeepTransparent } choice = kNoChoice;
    uint32_t fill = 0;
    bool havePenColour = false;
    uint32_t penColour = 0;
};

struct Options {
    std::vector<std::string> files;
    bool json = false;
    bool help = false;
    std::string format;
    int zoomPercent = 100;
    ColourSteps colours;
};

int UsageError(const char* message, const char* usage)
{
    std::fprintf(stderr, "zavik: %s\n\n", message);
    PrintCp932(stderr, usage);   // the usage texts name the dialogs' Japanese items
    return kExitUsage;
}

// "#RRGGBB" (the # may be left out) to a packed 0x00BBGGRR colour.
bool ParseColour(const char* text, uint32_t& colour)
{
    if (*text == '#')
        ++text;
    if (std::strlen(text) != 6)
        return false;
    char* end = nullptr;
    unsigned long rgb = std::strtoul(text, &end, 16);
    if (*end != '\0' || text[0] == '-' || text[0] == '+')
        return false;
    colour = static_cast<uint32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    return true;
}

std::string ColourText(uint32_t colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return text;
}

// Parses the options of a command; returns false after printing a usage error.
bool ParseOptions(int argc, char** argv, const char* usage, unsigned allowed, Options& options, int& exitCode)
{
    ColourSteps& colours = options.colours;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                exitCode = UsageError((std::string(name) + " needs a value").c_str(), usage);
                return nullptr;
            }
            return argv[++i];
        };
        auto colourValue = [&](const char* name, uint32_t& colour) {
            const char* v = value(name);
            if (!v)
                return false;
            if (!ParseColour(v, colour)) {
                exitCode = UsageError((std::string(name) + " takes a colour as #RRGGBB").c_str(), usage);
                return false;
            }
            return true;
        };
        const bool colourOption = (allowed & kColourOptions) != 0;
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if ((allowed & kJsonOption) && arg == "--json") {
            options.json = true;
        } else if ((allowed & kFormatOption) && arg == "--format") {
            const char* v = value("--format");
            if (!v)
                return false;
            options.format = v;
            if (options.format != "jpeg" && options.format != "jpg" && options.format != "bmp" &&
                options.format != "png") {
                exitCode = UsageError("--format must be jpeg, bmp or png", usage);
                return false;
            }
        } else if ((allowed & kZoomOption) && arg == "--zoom") {
            const char* v = value("--zoom");
            if (!v)
                return false;
            char* end = nullptr;
            long percent = std::strtol(v, &end, 10);
            if (*v == '\0' || *end != '\0' || percent < 10 || percent > 100 || percent % 10 != 0) {
                exitCode = UsageError("--zoom must be 100, 90, ... or 10", usage);
                return false;
            }
            options.zoomPercent = static_cast<int>(percent);
        } else if (colourOption && arg == "--separate") {
            colours.separate = true;
        } else if (colourOption && arg == "--pen") {
            if (!colourValue("--pen", colours.pen))
                return false;
            colours.havePen = colours.separate = true;
        } else if (colourOption && arg == "--background") {
            if (!colourValue("--background", colours.background))
                return false;
            colours.haveBackground = colours.separate = true;
        } else if (colourOption && arg == "--swap") {
            colours.swap = colours.separate = true;
        } else if (colourOption && arg == "--tolerance") {
            const char* v = value("--tolerance");
            if (!v)
                return false;
            char* end = nullptr;
            unsigned long n = std::strtoul(v, &end, 10);
            if (*v < '0' || *v > '9' || *end != '\0' || n > 0xFFFFFFFFul) {
                exitCode = UsageError("--tolerance takes a number", usage);
                return false;
            }
            colours.tolerance = static_cast<uint32_t>(n);
            colours.separate = true;
        } else if (colourOption && arg == "--fill") {
            if (!colourValue("--fill", colours.fill))
                return false;
            colours.choice = ColourSteps::kFill;
        } else if (colourOption && arg == "--transparent") {
            colours.choice = ColourSteps::kKeepTransparent;
        } else if (colourOption && arg == "--pen-color") {
            if (!colourValue("--pen-color", colours.penColour))
                return false;
            colours.havePenColour = true;
        } else if (arg == "--") {
            for (++i; i < argc; ++i)
                options.files.push_back(argv[i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            exitCode = UsageError(("unknown option " + arg).c_str(), usage);
            return false;
        } else {
            options.files.push_back(arg);
        }
    }
    return true;
}

// The colour dialogs' steps on the opened document, in their order. False
// when the separation failed (its message already shown).
bool ApplyColourSteps(const ColourSteps& steps)
{
    if (steps.separate) {
        // The transparency dialog: its working colours start black and take
        // the darkest and brightest pixels, unless given; then "反転".
        uint32_t pen = 0, background = 0;
        FindDarkestBrightest(Picture, pen, background);
        if (steps.havePen)
            pen = steps.pen;
        if (steps.haveBackground)
            background = steps.background;
        if (steps.swap)
            std::swap(pen, background);
        if (ApplyTransparencyChoice(pen, background, steps.tolerance) < 0)
            return false;
    }
    if (steps.choice != ColourSteps::kNoChoice || steps.havePenColour) {
        // The pen and background dialog, from the stored colours.
        const uint32_t pen = steps.havePenColour ? steps.penColour : Transparency.PenColor;
        const uint32_t background = steps.choice == ColourSteps::kFill ? steps.fill : Transparency.BGColor;
        const bool transparent = steps.choice == ColourSteps::kFill
                                     ? false
                                     : steps.choice == ColourSteps::kKeepTransparent ||
                                           Transparency.BackgroundMode == kTransparent;
        ApplyPenBackgroundChoice(pen, background, transparent);
    }
    return true;
}

// Opens a file through the viewer's dispatch. True when something was loaded.
bool OpenDocument(const std::string& path)
{
    // Each file starts from the state of a program that has just started.
    ResetProgramState();
    ClearCliMessages();
    if (path.size() >= static_cast<size_t>(kPathSize)) {
        std::fprintf(stderr, "zavik: %s: file name longer than %d bytes\n", path.c_str(), kPathSize - 1);
        return false;
    }
    int result = Read_ESI_CNV(nullptr, path.c_str());
    return result == kOpenDone && Document.kind != kNone;
}

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

// File names on the command line are the system's own (UTF-8 here, the
// ANSI code page on Windows); texts from the program and its files are
// code page 932.
std::string PathText(const std::string& path)
{
#ifdef _WIN32
    return Cp932ToUtf8(path.c_str());
#else
    return path;
#endif
}

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
void ReportItem(Report& r, const std::string& path)
{
    ItemRecord item;
    RasterImage picture;
    if (ReadItem(nullptr, path.c_str(), picture, item) < 0)
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
    r.Text("explanation", ItemExplanation);
    r.End();
}

void ReportCanvas(Report& r)
{
    const CanvasRecord& c = CanvasInfo;
    r.Begin("canvas");
    r.Text("subjectPath", Picture.path);
    r.Text("painterPath", Document.PainterPath);
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

int RunInfo(const Options& options)
{
    SetCliMessageEcho(!options.json);
    int exitCode = kExitOk;
    for (const std::string& path : options.files) {
        bool loaded = OpenDocument(path);
        if (!loaded)
            exitCode = kExitFailed;
        const int width = loaded ? Picture.width : 0;
        const int height = loaded ? Picture.height : 0;
        Report details;
        if (loaded && Document.kind == kPainter)
            ReportPainter(details, CurrentPainter);
        if (loaded && Document.kind == kCanvas)
            ReportCanvas(details);
        if (loaded && (Document.kind == kPenItem || Document.kind == kOtherItem))
            ReportItem(details, path);
        if (options.json) {
            Report r;
            r.Utf8("path", PathText(path));
            r.Utf8("kind", KindName(Document.kind));
            r.Int("width", width);
            r.Int("height", height);
            r.Text("painter", CurrentPainter.name);
            std::vector<std::string> texts;
            for (const CliMessage& m : CliMessages())
                texts.push_back(m.text);
            r.Texts("messages", texts);
            if (loaded) {
                // What the transparency dialog would propose for this picture.
                uint32_t pen = 0, background = 0;
                FindDarkestBrightest(Picture, pen, background);
                r.Utf8("proposedPen", ColourText(pen));
                r.Utf8("proposedBackground", ColourText(background));
            }
            std::string json = r.Json();
            std::string more = details.Json();
            if (more.size() > 2)   // not "{}"
                json = json.substr(0, json.size() - 1) + "," + more.substr(1);
            std::fputs((json + "\n").c_str(), stdout);
        } else if (loaded) {
            std::printf("%s: %s, %d x %d, painter %s\n", PathText(path).c_str(), KindName(Document.kind), width,
                        height, Cp932ToUtf8(CurrentPainter.name).c_str());
            std::fputs(details.Lines("  ").c_str(), stdout);
        } else {
            std::printf("%s: not loaded\n", PathText(path).c_str());
        }
        std::fflush(stdout);
    }
    return exitCode;
}

std::string Lowercase(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The output format from --format or from the name's extension.
std::string OutputFormat(const std::string& requested, const std::string& out)
{
    if (!requested.empty())
        return requested == "jpg" ? "jpeg" : requested;
    std::string name = Lowercase(out);
    auto endsWith = [&](const char* tail) {
        size_t n = std::strlen(tail);
        return name.size() >= n && name.compare(name.size() - n, n, tail) == 0;
    };
    if (endsWith(".jpg") || endsWith(".jpeg"))
        return "jpeg";
    if (endsWith(".bmp"))
        return "bmp";
    if (endsWith(".png"))
        return "png";
    return "";
}

// The view as a file: BMP as it lies in memory, or PNG, written as Save
// writes, so that a failure leaves an existing OUT as it was.
bool WriteView(const std::string& out, const std::string& format, const RasterImage& view)
{
    if (format == "png") {
        ByteBuffer noMask;
        return WRITE_PNG(nullptr, out.c_str(), view, noMask) == 0;
    }
    switch (WriteSafely(out.c_str(), [&](std::FILE* file) { return StoreBmpFile(file, view); })) {
    case OutputResult::kWritten:
        return true;
    case OutputResult::kCannotCreate:
        std::fprintf(stderr, "zavik: %s: cannot be created\n", PathText(out).c_str());
        return false;
    case OutputResult::kWriteFailed:
        break;
    }
    std::fprintf(stderr, "zavik: %s: writing failed\n", PathText(out).c_str());
    return false;
}

int FilterIndexFor(const std::string& format)
{
    return format == "jpeg" ? kSaveAsJpeg : format == "bmp" ? kSaveAsBmp : kSaveAsPng;
}

int RunConvert(const Options& options)
{
    if (options.files.size() != 2)
        return UsageError("convert takes FILE and OUT", kConvertUsage);
    const std::string format = OutputFormat(options.format, options.files[1]);
    if (format.empty())
        return UsageError("the output format is not known: give --format or a .jpg, .bmp or .png name",
                          kConvertUsage);
    if (!OpenDocument(options.files[0]) || !ApplyColourSteps(options.colours))
        return kExitFailed;
    // The viewer's own save writers, as Save with that type chosen.
    return SaveByFilterIndex(nullptr, FilterIndexFor(format), options.files[1].c_str()) == 0 ? kExitOk
                                                                                               : kExitFailed;
}

int RunRender(const Options& options)
{
    if (options.files.size() != 2)
        return UsageError("render takes FILE and OUT", kRenderUsage);
    const std::string format = OutputFormat("", options.files[1]);
    if (format != "bmp" && format != "png")
        return UsageError("render writes BMP or PNG files: give OUT a .bmp or .png name", kRenderUsage);
    if (!OpenDocument(options.files[0]) || !ApplyColourSteps(options.colours))
        return kExitFailed;
    static const float zooms[] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f};
    RasterImage view;
    if (RenderView(view, zooms[options.zoomPercent / 10 - 1]) != kRasterOk) {
        std::fprintf(stderr, "zavik: %s: the view is too large\n", PathText(options.files[0]).c_str());
        return kExitFailed;
    }
    return WriteView(options.files[1], format, view) ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string command = argv[1];
    if (command == "-h" || command == "--help" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command == "--version") {
        std::printf("zavik %s\n", kVersionText);
        return kExitOk;
    }

    struct Command {
        const char* name;
        const char* usage;
        unsigned options;
        int (*run)(const Options&);
    };
    static const Command commands[] = {
        {"info", kInfoUsage, kJsonOption, RunInfo},
        {"convert", kConvertUsage, kFormatOption | kColourOptions, RunConvert},
        {"render", kRenderUsage, kZoomOption | kColourOptions, RunRender},
    };
    for (const Command& c : commands) {
        if (command != c.name)
            continue;
        Options options;
        int exitCode = kExitOk;
        if (!ParseOptions(argc, argv, c.usage, c.options, options, exitCode))
            return exitCode;
        if (options.help) {
            PrintCp932(stdout, c.usage);
            return kExitOk;
        }
        if (options.files.empty())
            return UsageError("no file given", c.usage);
        return c.run(options);
    }
    std::fprintf(stderr, "zavik: unknown command '%s' (see zavik --help)\n", command.c_str());
    return kExitUsage;
}
