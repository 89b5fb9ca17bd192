// zavik: the viewer's open dispatch, view and save writers on the command
// line. Files open exactly as in the window (by content, through the same
// dispatch), one after the other; each file opens into a new document.
#include <cstdio>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/document.h"
#include "app/open_dispatch.h"
#include "app/version.h"
#include "app/view_layout.h"
#include "cli/batch.h"
#include "cli/cli_platform.h"
#include "report/document_report.h"
#include "cli/file_identity.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "report/report.h"
#include "cli/text_output.h"
#include "colour/separation.h"
#include "colour/transparency_state.h"
#include "formats/standard/bmp_codec.h"
#include "formats/standard/jpeg_codec.h"
#include "formats/standard/png_codec.h"
#include "formats/standard/safe_output.h"
#include "formats/standard/save_pipeline.h"
#include "image/area_reduce.h"
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
    "  convert -d DIR FILE...  convert many files into a folder\n"
    "  render FILE OUT       save what the window shows, at a zoom\n"
    "  thumbnail FILE OUT    a small PNG of the picture, for file managers\n"
    "\n"
    "  zavik COMMAND --help  options of a command\n"
    "  zavik --version       the version\n"
    "\n"
    "Messages the viewer would show in boxes go to standard error as UTF-8;\n"
    "on a terminal, names with control characters are quoted as ls quotes them.\n"
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
    "       zavik convert -d DIR [--format jpeg|bmp|png] [-j N] [--quiet] [COLOUR STEPS] FILE...\n"
    "\n"
    "Opens FILE as the viewer does and saves it to OUT as Save does: JPEG\n"
    "(progressive, quality 80), BMP (24-bit) or PNG, a separated picture\n"
    "over its background colour, or over white (JPEG, BMP) or with an alpha\n"
    "channel (PNG) when the background is transparent. The format comes\n"
    "from --format or else from OUT's extension (.jpg/.jpeg, .bmp, .png).\n"
    "\n"
    "With -d every FILE is converted into the folder DIR (made if missing),\n"
    "named after FILE with the format's extension (--format, default png);\n"
    "a file whose output would replace one of the inputs, or another file's\n"
    "output, is not converted. A file that fails is reported and the others\n"
    "go on; the exit status is 0 only when every file was converted. The\n"
    "workers share one memory budget (1088 MiB in all): a file that needs\n"
    "more than their shared 256 MiB waits for its turn.\n"
    "  -j N      convert N files at once (default: one per processor)\n"
    "  --quiet   no progress line (shown only on a terminal)\n" COLOUR_OPTIONS;

const char kRenderUsage[] =
    "Usage: zavik render [--zoom PERCENT] [COLOUR STEPS] FILE OUT\n"
    "\n"
    "Writes what the window shows for FILE to OUT (BMP or PNG): the picture\n"
    "composed as the view composes it, at PERCENT (100 down to 10 in steps\n"
    "of 10, default 100), shrunk by dropping rows and columns.\n" COLOUR_OPTIONS;

const char kThumbnailUsage[] =
    "Usage: zavik thumbnail [-s SIZE] FILE OUT\n"
    "\n"
    "Writes the picture the viewer shows for FILE, reduced by area averaging\n"
    "to fit SIZE x SIZE (default 256; never enlarged), as a PNG to OUT, with\n"
    "a PNG's transparency kept. The desktop's thumbnailer entry runs it.\n";

// The colour dialogs' steps on the opened document, in their order. False
// when the separation failed (its message already shown).
bool ApplyColourSteps(Document& doc, const ColourSteps& steps)
{
    if (steps.separate) {
        // The transparency dialog: its working colours start black and take
        // the darkest and brightest pixels, unless given; then "反転".
        uint32_t pen = 0, background = 0;
        FindDarkestBrightest(doc.Picture, pen, background);
        if (steps.havePen)
            pen = steps.pen;
        if (steps.haveBackground)
            background = steps.background;
        if (steps.swap)
            std::swap(pen, background);
        CliFrontEnd ui;
        if (ApplyTransparencyChoice(ui, doc.Picture, doc.AlphaMask, doc.Transparency, pen, background,
                                    steps.tolerance) < 0)
            return false;
    }
    if (steps.choice != ColourSteps::kNoChoice || steps.havePenColour) {
        // The pen and background dialog, from the stored colours.
        const uint32_t pen = steps.havePenColour ? steps.penColour : doc.Transparency.PenColor;
        const uint32_t background = steps.choice == ColourSteps::kFill ? steps.fill : doc.Transparency.BGColor;
        const bool transparent = steps.choice == ColourSteps::kFill
                                     ? false
                                     : steps.choice == ColourSteps::kKeepTransparent ||
                                           doc.Transparency.BackgroundMode == kTransparent;
        ApplyPenBackgroundChoice(doc.Picture, doc.AlphaMask, doc.Transparency, pen, background, transparent);
    }
    return true;
}

// Opens a file through the viewer's dispatch into doc, a new document, as
// a program that has just started would. True when something was loaded.
bool OpenDocument(Document& doc, const std::string& path)
{
    ClearCliMessages();
    if (path.size() >= static_cast<size_t>(kPathSize)) {
        PrintErrorF("zavik: %s: file name longer than %d bytes\n", ShownName(path).c_str(), kPathSize - 1);
        return false;
    }
    // The view is rendered on request and there is no title: the open's
    // changes are not needed.
    CliFrontEnd ui;
    ViewChanges changes;
    int result = Read_ESI_CNV(ui, path.c_str(), doc, changes);
    return result == kOpenDone && doc.kind != kNone;
}

// True when the open left a picture. The viewer counts a canvas whose
// sections all failed as read, with nothing to show; a command that writes
// the picture has nothing to write then, and says so.
bool HasPicture(const Document& doc, const std::string& path, bool say = true)
{
    if (doc.Picture.width > 0 && doc.Picture.height > 0 && !doc.Picture.Empty())
        return true;
    if (say)
        PrintErrorF("zavik: %s: no picture was decoded\n", ShownName(path).c_str());
    return false;
}

// Outputs refused before anything is read: a folder, which no writer could
// replace (the message would otherwise be a writer's), and the input
// itself under whatever name, which would be lost to its own picture.
bool OutputRefused(const std::string& input, const std::string& out)
{
    std::error_code error;
    if (std::filesystem::is_directory(out, error)) {
        std::fprintf(stderr, "zavik: %s: is a folder, not a file name\n", ShownName(out).c_str());
        return true;
    }
    if (SameFile(input, out)) {
        std::fprintf(stderr, "zavik: %s: is the input %s itself; nothing written\n", ShownName(out).c_str(),
                     ShownName(input).c_str());
        return true;
    }
    return false;
}


int RunInfo(const Options& options)
{
    SetCliMessageEcho(!options.json);
    int exitCode = kExitOk;
    for (const std::string& path : options.files) {
        Document doc;
        bool loaded = OpenDocument(doc, path);
        // Reported as read, but no picture: the report stands, the status says so.
        if (!loaded || !HasPicture(doc, path, !options.json))
            exitCode = kExitFailed;
        const int width = loaded ? doc.Picture.width : 0;
        const int height = loaded ? doc.Picture.height : 0;
        CliFrontEnd ui;
        const Report details = DocumentDetails(ui, doc, path.c_str(), loaded);
        if (options.json) {
            std::vector<std::string> texts;
            for (const CliMessage& m : CliMessages())
                texts.push_back(CliMessageText(m));
            std::fputs((InfoJson(doc, PathText(path), loaded, details, texts) + "\n").c_str(), stdout);
        } else if (loaded) {
            std::printf("%s: %s, %d x %d, painter %s\n", ShownName(path, stdout).c_str(), KindName(doc.kind), width,
                        height, Cp932ToUtf8(doc.CurrentPainter.name).c_str());
            std::fputs(details.Lines("  ").c_str(), stdout);
        } else {
            std::printf("%s: not loaded\n", ShownName(path, stdout).c_str());
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

// Passes on whether a save wrote. When it did not, the writer's message
// (the window's) named neither the file nor the cause; the command line
// adds both, as far as the save found them.
bool Saved(bool written, const SaveCall& call)
{
    if (written)
        return true;
    const OutputFailure& failure = call.failure;
    // The system's words are in the system's code page, as its names are.
    const std::string target = ShownName(failure.target), why = PathText(failure.systemText);
    switch (failure.fault) {
    case OutputFault::kNone:
        break;
    case OutputFault::kSystem:
        if (!why.empty())
            PrintErrorF("zavik: %s: %s\n", target.c_str(), why.c_str());
        break;
    case OutputFault::kSpecialFile:
        PrintErrorF("zavik: %s: not replaced: neither a regular file, a FIFO nor a character device\n",
                     target.c_str());
        break;
    case OutputFault::kNotInFolder:
        PrintErrorF("zavik: %s: not replaced: a symbolic link or not a regular file, and -d writes "
                     "only into its folder\n", target.c_str());
        break;
    case OutputFault::kNotRestored:
        PrintErrorF("zavik: %s: damaged: writing over it failed (%s) and its earlier bytes could not be "
                     "put back\n", target.c_str(), why.c_str());
        break;
    }
    return false;
}

// A single save of the tool: its temporary file is removed when the tool
// is interrupted.
SaveCall SingleSave()
{
    SaveCall call;
    call.watcher = SingleSaveWatcher();
    return call;
}

// The view as a file: BMP as it lies in memory, or PNG, written as Save
// writes, so that a failure leaves an existing OUT as it was.
bool WriteView(const std::string& out, const std::string& format, const RasterImage& view)
{
    SaveCall call = SingleSave();
    if (format == "png") {
        const ByteBuffer noMask;
        const RasterImage noBackdrop;
        CliFrontEnd ui;
        return Saved(WRITE_PNG(ui, out.c_str(), view, noMask, noBackdrop, TransparencyState(), &call) == 0, call);
    }
    const OutputResult result =
        WriteSafely(out.c_str(), [&](std::FILE* file) { return EncodeBMP(view, file) == 1; }, call);
    if (result != OutputResult::kWritten)
        std::fprintf(stderr, "zavik: %s: %s\n", ShownName(out).c_str(),
                     result == OutputResult::kCannotCreate ? "cannot be created" : "writing failed");
    return Saved(result == OutputResult::kWritten, call);
}

int FilterIndexFor(const std::string& format)
{
    return format == "jpeg" ? kSaveAsJPEG : format == "bmp" ? kSaveAsBMP : kSaveAsPNG;
}

// One file through the viewer's own save writers, as Save with that type
// chosen.
bool ConvertFile(const std::string& input, const std::string& output, const std::string& format,
                 const ColourSteps& colours, SaveCall& call)
{
    Document doc;
    if (!OpenDocument(doc, input) || !HasPicture(doc, input) || !ApplyColourSteps(doc, colours))
        return false;
    CliFrontEnd ui;
    return Saved(SaveByFilterIndex(ui, FilterIndexFor(format), output.c_str(), doc.Picture, doc.AlphaMask,
                                   doc.Backdrop, doc.Transparency, &call) == 0,
                 call);
}

struct BatchJob {
    std::string format;
    ColourSteps colours;
};

bool ConvertBatchFile(const BatchFile& file, SaveWatcher& watcher, const void* context)
{
    const BatchJob& job = *static_cast<const BatchJob*>(context);
    // An output name planted in DIR as a link must not send a picture
    // outside it.
    SaveCall call;
    call.targets = OutputTargets::kWithinFolder;
    call.watcher = &watcher;
    if (ConvertFile(file.input, file.output, job.format, job.colours, call))
        return true;
    PrintErrorF("zavik: %s: not converted\n", ShownName(file.input).c_str());
    return false;
}

// The output of input in folder: its name with the format's extension in
// place of its own.
std::string OutputNameIn(const std::string& folder, const std::string& input, const std::string& format)
{
    std::string name = std::filesystem::path(input).filename().string();
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    const char* extension = format == "jpeg" ? ".jpg" : format == "bmp" ? ".bmp" : ".png";
    return (std::filesystem::path(folder) / (name + extension)).string();
}

int RunConvertMany(const Options& options)
{
    namespace fs = std::filesystem;
    const std::string format = options.format.empty() ? "png" : OutputFormat(options.format, "");
    std::error_code error;
    fs::create_directories(options.outputDir, error);
    if (!fs::is_directory(options.outputDir, error)) {
        std::fprintf(stderr, "zavik: %s: not a folder and cannot be made\n", ShownName(options.outputDir).c_str());
        return kExitFailed;
    }
    // Never replace an input, and never write two files to one name. Each
    // name is looked at once and looked up in sets, so that a batch of
    // thousands of files starts at once.
    std::unordered_set<FileIdentity, FileIdentityHash> inputs;
    for (const std::string& input : options.files) {
        FileIdentity identity;
        if (IdentifyFile(input, identity) && identity.plain)
            inputs.insert(identity);
    }
    std::vector<BatchFile> files;
    std::unordered_set<std::string> outputs;
    int refused = 0;
    for (const std::string& input : options.files) {
        const std::string output = OutputNameIn(options.outputDir, input, format);
        FileIdentity existing;
        const bool replacesInput = IdentifyFile(output, existing) && existing.plain && inputs.count(existing) > 0;
        if (replacesInput || !outputs.insert(fs::weakly_canonical(output, error).string()).second) {
            std::fprintf(stderr, "zavik: %s: not converted: %s would replace an input or another file's output\n",
                         ShownName(input).c_str(), ShownName(output).c_str());
            ++refused;
            continue;
        }
        files.push_back({input, output});
    }
    BatchSettings settings;
    settings.jobs = options.jobs > 0 ? options.jobs : ProcessorCount();
    settings.progress = !options.quiet && StandardErrorIsTerminal();
    const BatchJob job{format, options.colours};
    const int failed = RunBatch(files, settings, ConvertBatchFile, &job);
    return failed == 0 && refused == 0 ? kExitOk : kExitFailed;
}

int RunConvert(const Options& options)
{
    if (!options.outputDir.empty())
        return RunConvertMany(options);
    if (options.jobs > 0 || options.quiet)
        return UsageError("-j and --quiet go with -d DIR", kConvertUsage);
    if (options.files.size() != 2)
        return UsageError("convert takes FILE and OUT, or -d DIR and FILE...", kConvertUsage);
    const std::string format = OutputFormat(options.format, options.files[1]);
    if (format.empty())
        return UsageError("the output format is not known: give --format or a .jpg, .bmp or .png name",
                          kConvertUsage);
    // A JPEG named .png would be refused by the viewer that opens it.
    const std::string named = OutputFormat("", options.files[1]);
    if (!named.empty() && named != format)
        return UsageError(("--format " + format + " and the name " + ShownName(options.files[1]) + " (" + named +
                           ") disagree")
                              .c_str(),
                          kConvertUsage);
    if (OutputRefused(options.files[0], options.files[1]))
        return kExitFailed;
    SaveCall call = SingleSave();
    return ConvertFile(options.files[0], options.files[1], format, options.colours, call) ? kExitOk : kExitFailed;
}

// The picture a thumbnail shows, as the viewer shows it, into picture and
// (with a PNG's transparency) mask. A JPEG, opened by name alone, is
// decoded straight at a reduced scale; anything else opens through the
// dispatch. False after the reader's messages.
bool OpenForThumbnail(const std::string& path, int32_t size, RasterImage& picture, ByteBuffer& mask)
{
    uint8_t header[12];
    const bool readable = path.size() < static_cast<size_t>(kPathSize) && ReadFileHeader(path.c_str(), header);
    if (readable && KindByContent(path.c_str(), header) == ContentKind::kJPEG &&
        ReadJPEGReduced(path.c_str(), size, picture) == 1)
        return true;
    // Everything else, and a JPEG that fails, takes the viewer's own road
    // with its messages.
    Document doc;
    if (!OpenDocument(doc, path))
        return false;
    picture = std::move(doc.Picture);
    if (doc.Transparency.MaskActive == 1 && doc.AlphaMask.length == picture.width * picture.height)
        mask = std::move(doc.AlphaMask);
    return true;
}

int RunThumbnail(const Options& options)
{
    if (options.files.size() != 2)
        return UsageError("thumbnail takes FILE and OUT", kThumbnailUsage);
    if (OutputRefused(options.files[0], options.files[1]))
        return kExitFailed;
    ClearCliMessages();
    RasterImage picture;
    ByteBuffer mask;
    if (!OpenForThumbnail(options.files[0], options.size, picture, mask))
        return kExitFailed;
    const ReducedSize size = FitWithin(picture.width, picture.height, options.size);
    RasterImage thumbnail;
    ByteBuffer thumbnailMask;
    if (ReduceByAreaAverage(picture, mask.length ? mask.data : nullptr, size, thumbnail, &thumbnailMask) !=
        ReduceResult::kOk) {
        std::fprintf(stderr, "zavik: %s: no picture to show\n", ShownName(options.files[0]).c_str());
        return kExitFailed;
    }
    // Written as Save writes a PNG: with an alpha channel when the picture
    // is transparent.
    TransparencyState transparency;
    if (thumbnailMask.length) {
        transparency.MaskActive = 1;
        transparency.BackgroundMode = kTransparent;
    }
    const RasterImage noBackdrop;
    CliFrontEnd ui;
    SaveCall call = SingleSave();
    return Saved(WRITE_PNG(ui, options.files[1].c_str(), thumbnail, thumbnailMask, noBackdrop, transparency,
                           &call) == 0,
                 call)
               ? kExitOk
               : kExitFailed;
}

int RunRender(const Options& options)
{
    if (options.files.size() != 2)
        return UsageError("render takes FILE and OUT", kRenderUsage);
    const std::string format = OutputFormat("", options.files[1]);
    if (format != "bmp" && format != "png")
        return UsageError("render writes BMP or PNG files: give OUT a .bmp or .png name", kRenderUsage);
    if (OutputRefused(options.files[0], options.files[1]))
        return kExitFailed;
    Document doc;
    if (!OpenDocument(doc, options.files[0]) || !HasPicture(doc, options.files[0]) ||
        !ApplyColourSteps(doc, options.colours))
        return kExitFailed;
    // A side the zoom truncates to 0 pixels: the window draws nothing of
    // such a picture, and no writer writes an empty one.
    const int32_t shownWidth = DisplayLength(doc.Picture.width, options.zoom);
    const int32_t shownHeight = DisplayLength(doc.Picture.height, options.zoom);
    if (shownWidth == 0 || shownHeight == 0) {
        std::fprintf(stderr,
                     "zavik: %s: at %d %% the %d x %d picture is shown %d x %d pixels: the window shows nothing of "
                     "it, and nothing is written\n",
                     ShownName(options.files[0]).c_str(), static_cast<int>(options.zoom * 100.0f + 0.5f),
                     doc.Picture.width, doc.Picture.height, shownWidth, shownHeight);
        return kExitFailed;
    }
    RasterImage view;
    if (RenderView(doc, view, options.zoom) != kRasterOk) {
        std::fprintf(stderr, "zavik: %s: the view is too large\n", ShownName(options.files[0]).c_str());
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
        {"convert", kConvertUsage, kFormatOption | kColourOptions | kBatchOptions, RunConvert},
        {"render", kRenderUsage, kZoomOption | kColourOptions, RunRender},
        {"thumbnail", kThumbnailUsage, kSizeOption, RunThumbnail},
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
        RemoveTemporaryFilesOnInterrupt();
        return c.run(options);
    }
    std::fprintf(stderr, "zavik: unknown command '%s' (see zavik --help)\n", ShownName(command).c_str());
    return kExitUsage;
}
