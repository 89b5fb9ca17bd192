// zavik: the viewer's open dispatch, view and save writers on the command
// line. Files open exactly as in the window (by content, through the same
// dispatch), one after the other; each file starts from a clean document.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/document.h"
#include "app/open_dispatch.h"
#include "app/version.h"
#include "app/view_layout.h"
#include "cli/cli_platform.h"
#include "cli/document_report.h"
#include "cli/options.h"
#include "cli/report.h"
#include "cli/text_output.h"
#include "colour/separation.h"
#include "colour/transparency_state.h"
#include "formats/standard/bmp_codec.h"
#include "formats/standard/png_codec.h"
#include "formats/standard/safe_output.h"
#include "formats/standard/save_pipeline.h"
#include "image/program_objects.h"
#include "image/sjis_text.h"

namespace {

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

// The output format from --format or else from the name's extension.
std::string OutputFormat(const std::string& requested, const std::string& out)
{
    if (!requested.empty())
        return requested == "jpg" ? "jpeg" : requested;
    static const char* const jpg[] = {".", "jJ", "pP", "gG"};
    static const char* const jpeg[] = {".", "jJ", "pP", "eE", "gG"};
    static const char* const bmp[] = {".", "bB", "mM", "pP"};
    static const char* const png[] = {".", "pP", "nN", "gG"};
    const char* name = out.c_str();
    if (NameEndsIn(name, jpg, 4) || NameEndsIn(name, jpeg, 5))
        return "jpeg";
    if (NameEndsIn(name, bmp, 4))
        return "bmp";
    if (NameEndsIn(name, png, 4))
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
    RasterImage view;
    if (RenderView(view, options.zoom) != kRasterOk) {
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
