// Conformance of the JPEG, PNG and BMP readers with files made by others:
// libpng's PNG suite and test images, libjpeg-turbo's test images (both from
// Debian's source packages, fetched by scripts/conformance) and BMP variants
// that ImageMagick makes from a picture of ours. Each file opens with the
// pixels another decoder gives, or is refused with the reader's message.
//
// The fetched files are found in the folder given as the first argument or
// in ZAVIK_CONFORMANCE_DIR; a suite that is not there is skipped.
#include <gtest/gtest.h>

#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/open_readers.h"
#include "colour/transparency_state.h"
#include "formats/standard/bmp_codec.h"
#include "formats/standard/jpeg_codec.h"
#include "formats/standard/png_codec.h"
#include "tests/support/recording_platform.h"
#include "tests/support/temp_files.h"

namespace fs = std::filesystem;

namespace {

fs::path g_inputs;
WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0x4321);
RecordingFrontEnd ui(kWindow);
const char* const kConvert = "/usr/bin/convert";   // another convert may come first on PATH
const char* const kDjpeg = "/usr/bin/djpeg";
const char* const kJpegtran = "/usr/bin/jpegtran";

// The folder of one fetched suite, or empty when it was not fetched.
fs::path Suite(const char* name)
{
    if (g_inputs.empty() || !fs::is_directory(g_inputs / name))
        return {};
    return g_inputs / name;
}

#define SKIP_UNLESS_FETCHED(dir, name)                                                                   \
    const fs::path dir = Suite(name);                                                                    \
    if (dir.empty())                                                                                     \
        GTEST_SKIP() << "the files of " << name << " were not fetched (folder: '" << g_inputs.string() \
                     << "'); scripts/conformance fetches them"

std::vector<fs::path> FilesIn(const fs::path& dir, const std::string& extension)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file() && entry.path().extension() == extension)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

// The exit status of a shell command, -1 when it did not exit normally.
int RunCommand(const std::string& command)
{
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A decoded picture, top row first: blue, green, red per pixel (and the
// alpha of each pixel apart).
struct Pixels {
    int width = 0, height = 0;
    std::vector<uint8_t> bgr, alpha;
};

// Reads a binary PGM or PPM of maximum value 255.
bool ReadPnm(const fs::path& path, Pixels& out)
{
    const std::string s = ReadAll(path);
    size_t at = 2;
    auto number = [&]() {
        long v = -1;
        while (at < s.size() && (std::isspace(static_cast<unsigned char>(s[at])) || s[at] == '#'))
            at = s[at] == '#' ? s.find('\n', at) : at + 1;
        for (v = 0; at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])); ++at)
            v = 10 * v + (s[at] - '0');
        return v;
    };
    if (s.size() < 2 || s[0] != 'P' || (s[1] != '5' && s[1] != '6'))
        return false;
    const int channels = s[1] == '6' ? 3 : 1;
    out.width = int(number());
    out.height = int(number());
    if (number() != 255 || ++at + size_t(out.width) * out.height * channels > s.size())
        return false;
    out.bgr.resize(size_t(out.width) * out.height * 3);
    for (size_t i = 0; i < out.bgr.size() / 3; ++i)
        for (int k = 0; k < 3; ++k)
            out.bgr[3 * i + k] = uint8_t(s[at + channels * i + (channels == 3 ? 2 - k : 0)]);
    return true;
}

// What the viewer holds: Picture (bottom-up, padded) and AlphaMask (in the
// picture's row order), top row first.
Pixels Shown(const Document& doc, bool withMask)
{
    Pixels p;
    p.width = doc.Picture.width;
    p.height = doc.Picture.height;
    for (int y = 0; y < p.height; ++y) {
        const int row = p.height - 1 - y;
        const uint8_t* in = doc.Picture.pixels.data + int64_t{row} * doc.Picture.stride;
        p.bgr.insert(p.bgr.end(), in, in + 3 * p.width);
        if (withMask && doc.AlphaMask.length >= p.width * p.height)
            p.alpha.insert(p.alpha.end(), doc.AlphaMask.data + int64_t{row} * p.width,
                           doc.AlphaMask.data + int64_t{row + 1} * p.width);
    }
    return p;
}

// Equal size and bytes; a difference names its first pixel.
void ExpectSamePixels(const Pixels& shown, const Pixels& reference)
{
    ASSERT_EQ(shown.width, reference.width);
    ASSERT_EQ(shown.height, reference.height);
    for (const bool colour : {true, false}) {
        const std::vector<uint8_t>& a = colour ? shown.bgr : shown.alpha;
        const std::vector<uint8_t>& b = colour ? reference.bgr : reference.alpha;
        ASSERT_EQ(a.size(), b.size());
        size_t differ = 0, first = 0;
        for (size_t i = a.size(); i-- > 0;)
            if (a[i] != b[i])
                ++differ, first = i;
        const size_t pixel = first / (colour ? 3 : 1);
        EXPECT_EQ(differ, 0u) << (colour ? "colour" : "mask") << " bytes differ, first at pixel ("
                              << pixel % shown.width << ", " << pixel / shown.width << ")";
    }
}

long PeakMemoryKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Every open starts from a small known picture, so that a refused file can
// be seen to leave it alone.
void ResetDocument(Document& doc)
{
    ClearRecordedCalls();
    doc.Transparency = TransparencyState();
    doc.Picture.ResizeAndFill(2, 2, 0x5A);
    doc.Picture.FillHeaders();
    doc.AlphaMask.AllocateFilled(4, 0x33);
}

void ExpectDocumentUnchanged(const Document& doc)
{
    EXPECT_TRUE(doc.Picture.width == 2 && doc.Picture.height == 2 && doc.Picture.pixels.data[0] == 0x5A);
    EXPECT_TRUE(doc.AlphaMask.length == 4 && doc.AlphaMask.data[3] == 0x33);
    EXPECT_EQ(doc.Transparency.MaskActive, 0);
}

void ExpectMessage(const std::string& text, const std::string& caption)
{
    EXPECT_EQ(Recorded().messages, (std::vector<RecordedMessage>{{kWindow, text, caption}}));
}

// Outcomes by kind, printed at the end of a test for the record.
struct Tally {
    const char* suite;
    std::map<std::string, int> counts;
    ~Tally()
    {
        std::printf("[conformance] %s:", suite);
        for (const auto& [outcome, n] : counts)
            std::printf(" %d %s;", n, outcome.c_str());
        std::printf("\n");
    }
};

// ------------------------------------------------------------------ PNG

// The file with its gamma, colour-space and tRNS chunks left out. The viewer
// shows the stored samples (it asks the library for no transformation), while
// the simplified API would convert them to sRGB and apply tRNS.
std::string StoredSamplesOnly(const std::string& png)
{
    std::string out = png.substr(0, 8);
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = uint32_t(uint8_t(png[at])) << 24 | uint32_t(uint8_t(png[at + 1])) << 16 |
                                uint32_t(uint8_t(png[at + 2])) << 8 | uint8_t(png[at + 3]);
        const std::string type = png.substr(at + 4, 4);
        const size_t next = at + 12 + size_t(length);
        if (type != "gAMA" && type != "cHRM" && type != "sRGB" && type != "iCCP" && type != "tRNS")
            out += png.substr(at, next - at);
        if (next > png.size())
            break;
        at = next;
    }
    return out;
}

// libpng's simplified API as the reference decoder.
bool ReferencePng(const std::string& png, bool alpha, Pixels& out)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size()))
        return false;
    image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    std::vector<uint8_t> buffer(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    out = Pixels();
    out.width = int(image.width);
    out.height = int(image.height);
    const int channels = alpha ? 4 : 3;
    for (size_t i = 0; i < buffer.size() / channels; ++i) {
        out.bgr.insert(out.bgr.end(), &buffer[channels * i], &buffer[channels * i + 3]);
        if (alpha)
            out.alpha.push_back(buffer[channels * i + 3]);
    }
    return true;
}

const std::string kPngDepthText = "PNGファイルの色深度が8bit以外です。本ソフトではPNGファイルは色深度8bitのみ対応です。";
const std::string kPngPaletteText = "申し訳有りませんが、本ソフトはカラーパレット付きPNGファイルに対応していません。";

// Opens one PNG through the reader and the open step. Returns the reader's
// result; an accepted file is compared with the reference decoder.
int OpenPng(Document& doc, const fs::path& path, bool& opened)
{
    ResetDocument(doc);
    RasterImage scratch;
    ByteBuffer scratchMask;
    const int result = ReadPNG(path.c_str(), scratch, &scratchMask);
    ResetDocument(doc);
    opened = LoadPNG(ui, path.c_str(), doc, doc.Picture) == 0;
    EXPECT_EQ(opened, result == kPNGRead);
    if (!opened) {
        ExpectDocumentUnchanged(doc);
        return result;
    }
    EXPECT_TRUE(Recorded().messages.empty());
    const std::string bytes = ReadAll(path);
    const bool alpha = (uint8_t(bytes[25]) & PNG_COLOR_MASK_ALPHA) != 0;
    EXPECT_EQ(doc.Transparency.MaskActive, alpha ? 1 : 0);
    Pixels reference;
    EXPECT_TRUE(ReferencePng(StoredSamplesOnly(bytes), alpha, reference)) << "the reference refuses it";
    Pixels shown = Shown(doc, alpha);
    if (!alpha) {   // the mask of a file without alpha is all opaque
        EXPECT_EQ(std::vector<uint8_t>(doc.AlphaMask.data, doc.AlphaMask.data + doc.AlphaMask.length),
                  std::vector<uint8_t>(size_t(doc.Picture.width) * doc.Picture.height, 255));
    }
    ExpectSamePixels(shown, reference);
    return result;
}

// What a PNG file must give, by the kind its header declares: a palette
// refusal, a depth refusal, or for the 8-bit kinds the reference's pixels
// (damaged files: a clean failure with the corrupt-data message).
void CheckPng(Document& doc, const fs::path& path, Tally& tally, bool damaged)
{
    SCOPED_TRACE(path.string());
    const std::string bytes = ReadAll(path);
    ASSERT_GE(bytes.size(), 33u);
    const int depth = uint8_t(bytes[24]), type = uint8_t(bytes[25]);
    const char* const kinds[] = {"grey", "?", "colour", "palette", "grey-alpha", "?", "colour-alpha"};
    const std::string kind = type <= 6 ? kinds[type] : "?";
    bool opened = false;
    const int result = OpenPng(doc, path, opened);
    if (damaged && result == kPNGCorrupt) {
        ExpectMessage("PNGファイルのデータが壊れています。", "失敗");
        ++tally.counts["damaged " + kind + " refused as corrupt (-6, corrupt message)"];
    } else if (type == PNG_COLOR_TYPE_PALETTE) {
        EXPECT_EQ(result, kPNGPalette);
        ExpectMessage(kPngPaletteText, "失敗");
        ++tally.counts["palette refused (-3, palette message)"];
    } else if (depth != 8) {
        EXPECT_EQ(result, kPNGBitDepth);
        ExpectMessage(kPngDepthText, "失敗");
        ++tally.counts[(depth == 16 ? "16-bit " : "low-depth ") + kind + " refused (-2, depth message)"];
    } else {
        EXPECT_TRUE(opened);
        ++tally.counts["8-bit " + kind + " opened, equal to the reference"];
    }
}

TEST(PngConformance, SuiteImagesOpenAsTheReferenceDecodesThemOrGiveTheirMessage)
{
    Document doc;
    SKIP_UNLESS_FETCHED(suite, "pngsuite");
    SKIP_UNLESS_FETCHED(tests, "testpngs");
    Tally tally{"PNG", {}};
    std::vector<fs::path> files = FilesIn(suite, ".png");
    for (const fs::path& f : FilesIn(tests, ".png"))
        if (f.parent_path().filename() != "crashers")
            files.push_back(f);
    ASSERT_GE(files.size(), 150u);
    for (const fs::path& path : files)
        CheckPng(doc, path, tally, false);
}

// Bad checksums, empty or huge chunks: no crash, no allocation of what a
// chunk claims, the document left alone.
TEST(PngConformance, DamagedFilesFailCleanlyOrOpenAsTheReferenceDecodesThem)
{
    Document doc;
    SKIP_UNLESS_FETCHED(tests, "testpngs");
    Tally tally{"PNG damaged", {}};
    const std::vector<fs::path> files = FilesIn(tests / "crashers", ".png");
    ASSERT_GE(files.size(), 20u);
    for (const fs::path& path : files) {
        const long before = PeakMemoryKb();
        CheckPng(doc, path, tally, true);
        EXPECT_LT(PeakMemoryKb() - before, 64 * 1024) << path.string() << " made the reader take what a chunk claims";
    }
}

// ------------------------------------------------------------------ JPEG

const std::string kJpegFailedText = "JPEGファイルオープンに失敗しました。2";

// The viewer opens the file exactly as djpeg decodes it (same library, same
// defaults), or refuses it when djpeg does. Greyscale: djpeg's grey in all
// three channels. CMYK: djpeg converts Adobe (inverted) CMYK to RGB as
// round(c x k / 255), the viewer's formula for files with an Adobe marker.
TEST(JpegConformance, TestImagesOpenAsDjpegDecodesThem)
{
    Document doc;
    SKIP_UNLESS_FETCHED(images, "testimages");
    ASSERT_TRUE(fs::exists(kDjpeg) && fs::exists(kJpegtran)) << "needs libjpeg-turbo-progs (scripts/bootstrap)";
    ASSERT_TRUE(fs::exists(kConvert)) << "needs ImageMagick (scripts/bootstrap)";
    Tally tally{"JPEG", {}};
    TempDir dir;
    std::vector<fs::path> files = FilesIn(images, ".jpg");
    ASSERT_GE(files.size(), 4u);
    const fs::path original = images / "testorig.jpg";
    const std::string grey = dir.Path("grey.jpg"), cmyk = dir.Path("cmyk-adobe.jpg");
    ASSERT_EQ(RunCommand(std::string(kJpegtran) + " -grayscale -outfile " + grey + " " + original.string()), 0);
    ASSERT_EQ(RunCommand(std::string(kConvert) + " " + original.string() + " -colorspace CMYK " + cmyk), 0);
    files.insert(files.end(), {grey, cmyk});
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.string());
        const std::string decoded = dir.Path("djpeg.pnm");
        const bool referenceDecodes =
            RunCommand(std::string(kDjpeg) + " -ppm -outfile " + decoded + " " + path.string() + " 2>/dev/null") == 0;
        ResetDocument(doc);
        const bool opened = LoadJPEG(ui, path.c_str(), 1, doc.Picture) == 0;
        EXPECT_EQ(opened, referenceDecodes);
        if (!opened) {
            ExpectMessage(kJpegFailedText, "失敗");
            ExpectDocumentUnchanged(doc);
            ++tally.counts["refused by both (message shown)"];
            continue;
        }
        Pixels reference;
        ASSERT_TRUE(ReadPnm(decoded, reference));
        ExpectSamePixels(Shown(doc, false), reference);
        ++tally.counts["opened, equal to djpeg"];
    }
}

// ------------------------------------------------------------------ BMP

const std::string kBmpNot24Text = "BMP画像がフルカラー（24ビット）ではありません。（２４ビットのみ対応しております。）";
const std::string kBmpFailedText = "BMPファイルオープンに失敗しました。";

uint32_t Le32(const std::string& s, size_t at)
{
    return uint8_t(s[at]) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}

// Opens a BMP through the reader and the open step: the reader's result.
int OpenBmp(Document& doc, const std::string& path)
{
    RasterImage scratch;
    const int result = ReadBMP(path.c_str(), scratch);
    ResetDocument(doc);
    const int opened = LoadBMP(ui, path.c_str(), doc.Picture);
    EXPECT_EQ(opened, result >= 0 ? 0 : -1);
    if (opened != 0)
        ExpectDocumentUnchanged(doc);
    return result;
}

TEST(BmpConformance, ImageMagickVariantsOpenWithTheSourcePixelsOrGiveTheirMessage)
{
    Document doc;
    ASSERT_TRUE(fs::exists(kConvert)) << "needs ImageMagick (scripts/bootstrap)";
    Tally tally{"BMP (ImageMagick)", {}};
    TempDir dir;
    // An odd width, so that every 24-bit row is padded.
    Pixels source;
    source.width = 37;
    source.height = 23;
    std::string ppm = "P6\n37 23\n255\n";
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) {
            const uint8_t rgb[3] = {uint8_t(7 * x + 3 * y), uint8_t(11 * y - 2 * x), uint8_t(x * y ^ 0x5C)};
            ppm.append(reinterpret_cast<const char*>(rgb), 3);
            source.bgr.insert(source.bgr.end(), {rgb[2], rgb[1], rgb[0]});
        }
    const std::string ppmPath = dir.Write("source.ppm", ppm);

    enum Outcome { kOpens, kNot24, kFails };
    struct Variant {
        const char* name;
        const char* options;   // ImageMagick's, before the output
        uint32_t headerSize, bits, compression;   // what the file must hold
        bool topDown;          // written flipped, then its height negated
        Outcome outcome;
    } variants[] = {
        {"v3-24", "BMP3:", 40, 24, 0, false, kOpens},
        {"v5-24", "BMP:", 124, 24, 0, false, kOpens},
        {"v3-24-top-down", "-flip BMP3:", 40, 24, 0, true, kOpens},
        {"v5-24-top-down", "-flip BMP:", 124, 24, 0, true, kOpens},
        {"v3-8-palette", "-type palette -compress none BMP3:", 40, 8, 0, false, kNot24},
        {"v5-8-palette", "-type palette -compress none BMP:", 124, 8, 0, false, kNot24},
        {"v3-4-palette", "-colors 16 -type palette -compress none BMP3:", 40, 4, 0, false, kNot24},
        {"v3-1-bilevel", "-type bilevel BMP3:", 40, 1, 0, false, kNot24},
        {"v3-32", "-alpha set -define bmp3:alpha=true BMP3:", 40, 32, 0, false, kNot24},
        {"v3-8-rle8", "-type palette -compress RLE BMP3:", 40, 8, 1, false, kFails},
        {"v3-16-bitfields", "-define bmp:subtype=RGB555 BMP3:", 40, 16, 3, false, kFails},
        {"v5-16-bitfields", "-define bmp:subtype=RGB565 BMP:", 124, 16, 3, false, kFails},
        {"v5-32-bitfields", "-alpha set BMP:", 124, 32, 3, false, kFails},
        {"os2-24-core-header", "-compress none BMP2:", 12, 24, 0, false, kFails},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const std::string path = dir.Path(std::string(v.name) + ".bmp");
        ASSERT_EQ(RunCommand(std::string(kConvert) + " " + ppmPath + " " + v.options + path), 0);
        std::string bytes = ReadAll(path);
        ASSERT_GE(bytes.size(), 30u);
        ASSERT_EQ(Le32(bytes, 14), v.headerSize) << "ImageMagick wrote another header";
        if (v.headerSize >= 40) {
            ASSERT_EQ(uint8_t(bytes[28]), v.bits) << "ImageMagick wrote another bit count";
            ASSERT_EQ(Le32(bytes, 30), v.compression) << "ImageMagick wrote another compression";
        }
        if (v.topDown) {
            const uint32_t negative = uint32_t(-int32_t(Le32(bytes, 22)));
            for (int i = 0; i < 4; ++i)
                bytes[22 + i] = char(negative >> (8 * i));
            WriteAll(path, bytes);
        }
        const int result = OpenBmp(doc, path);
        if (v.outcome == kOpens) {
            EXPECT_GE(result, 0);
            EXPECT_TRUE(Recorded().messages.empty());
            ExpectSamePixels(Shown(doc, false), source);
            ++tally.counts["24-bit opened, equal to the source"];
        } else if (v.outcome == kNot24) {
            EXPECT_EQ(result, kBMPNot24Bit);
            ExpectMessage(kBmpNot24Text, "エラー");
            ++tally.counts["other bit count refused (-6, 24-bit message)"];
        } else {
            EXPECT_EQ(result, v.headerSize < 40 ? kBMPInfoHeaderFailed : kBMPCompressed);
            ExpectMessage(kBmpFailedText, "失敗");
            ++tally.counts[v.headerSize < 40 ? "core header refused (-5, open-failed message)"
                                             : "compressed refused (-7, open-failed message)"];
        }
    }
}

// libjpeg-turbo's test bitmaps (24-bit, bottom-up) open as ImageMagick reads them.
TEST(BmpConformance, JpegTestBitmapsOpenAsImageMagickReadsThem)
{
    Document doc;
    SKIP_UNLESS_FETCHED(images, "testimages");
    ASSERT_TRUE(fs::exists(kConvert)) << "needs ImageMagick (scripts/bootstrap)";
    Tally tally{"BMP (libjpeg-turbo)", {}};
    TempDir dir;
    const std::vector<fs::path> files = FilesIn(images, ".bmp");
    ASSERT_GE(files.size(), 3u);
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.string());
        const std::string converted = dir.Path("reference.ppm");
        ASSERT_EQ(RunCommand(std::string(kConvert) + " " + path.string() + " -depth 8 " + converted), 0);
        Pixels reference;
        ASSERT_TRUE(ReadPnm(converted, reference));
        EXPECT_GE(OpenBmp(doc, path.string()), 0);
        EXPECT_TRUE(Recorded().messages.empty());
        ExpectSamePixels(Shown(doc, false), reference);
        ++tally.counts["24-bit opened, equal to ImageMagick"];
    }
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1)
        g_inputs = argv[1];
    else if (const char* folder = std::getenv("ZAVIK_CONFORMANCE_DIR"))
        g_inputs = folder;
    return RUN_ALL_TESTS();
}
