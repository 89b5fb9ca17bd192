// Damaged painter-program files through the viewer's open by content, and
// the picture size limit on both sides.
//
// Every bundled painter, canvas and item sample and a few small files made
// with the writers here are cut at every sampled offset and have every
// sampled byte set to 0x00, 0xFF and its bit inverse. Each damaged file must
// open without a fault and leave one consistent picture behind; cut files
// and inverted bytes are opened twice and must give the same picture,
// headers, texts and messages both times. The files made here are swept at
// every offset (they carry every section head and field the samples have);
// the samples at every offset of their head and at a stride after it.
// ZAVIK_SWEEP_ALL=1 sweeps every offset of every file, for a run by hand
// (some minutes).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <png.h>
#include <zlib.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "app/document.h"
#include "colour/transparency_state.h"
#include "formats/standard/jpeg_codec.h"
#include "formats/painter/canvas_info.h"
#include "fuzz/fuzz_driver.h"
#include "image/open_file.h"
#include "image/sjis_text.h"
#include "tests/support/recording_platform.h"
#include "tests/support/temp_files.h"
#include "tools/writers/canvas_file_writer.h"
#include "tools/writers/huffman_writer.h"
#include "tools/writers/item_file_writer.h"
#include "tools/writers/painter_file_writer.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

// The window the fuzz targets' runs stand for.
RecordingFrontEnd ui(reinterpret_cast<WindowHandle>(0x1234));

constexpr size_t kEveryOffset = SIZE_MAX;
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__)
// Under Wine and under the sanitizers every open costs many times more: the
// files made here are sampled too, and the samples' heads only in part (the
// plain native build sweeps them whole).
constexpr size_t kWrittenHead = 200, kWrittenSparse = 60, kSampleSparse = 20, kSampleHeadShare = 2;
#else
constexpr size_t kWrittenHead = kEveryOffset, kWrittenSparse = 0, kSampleSparse = 200, kSampleHeadShare = 1;
#endif

Bytes ReadWhole(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A picture of a few flat rectangles, cell pixels wide, so that runs and
// codes stay short.
void Blocks(RasterImage& p, int width, int height, int seed, int cell = 16)
{
    p.ResizeAndFill(width, height, 0);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) {
            uint8_t* px = p.pixels.data + p.Offset(x, row);
            const int shade = (x / cell + row / cell + seed) % 4;
            px[0] = static_cast<uint8_t>(shade * 60);
            px[1] = static_cast<uint8_t>(255 - shade * 50);
            px[2] = static_cast<uint8_t>(30 * seed + shade);
        }
    p.FillHeaders();
}

Bytes MadePainter(int pictureFormat)
{
    PainterRecord painter;
    CopyText(painter.name, sizeof painter.name, "掃引の絵師");
    CopyText(painter.memo, sizeof painter.memo, "メモ");
    painter.extraPresent = 1;
    Blocks(painter.fillPenPicture, kPenPictureSize, kPenPictureSize, 1, 25);
    Blocks(painter.outlinePenPicture, kPenPictureSize, kPenPictureSize, 2, 50);
    RasterImage picture;
    Blocks(picture, pictureFormat == 1 ? 100 : 12, pictureFormat == 1 ? 100 : 8, 3, 50);
    PainterFileLayout layout(painter, picture);
    layout.pictureFormat = pictureFormat;
    return PainterFileBytes(layout);
}

Bytes MadeCanvas(const std::string& folder)
{
    RasterImage main, mask, under;
    Blocks(main, 12, 8, 0);
    Blocks(mask, 6, 4, 1);
    Blocks(under, 12, 8, 2);
    CanvasFileFields fields;
    fields.subjectPath = "subject.jpg";
    fields.painterPath = "hanako.esi";
    fields.hasLayers = 1;
    fields.maskLevel = 20;
    fields.maskScale = 50;
    fields.canvasBlock = {9, 8, 7};
    fields.underWidth = under.width;
    fields.underHeight = under.height;
    fields.maskLayer = &mask;
    fields.underLayer = &under;
    fields.mainPicture = &main;
    const std::string path = folder + "/made.cnv";
    return WriteCanvasFile(path.c_str(), fields) ? ReadWhole(path) : Bytes();
}

Bytes MadeItem()
{
    ItemRecord item;
    CopyText(item.name, sizeof item.name, "掃引の筆");
    item.penSelector = kItemHybridPen;
    item.penShapes[0] = 2;
    item.penWidth = 3;
    item.penConsistency = 4;
    item.penDensity = 5;
    RasterImage picture;
    Blocks(picture, kItemPictureSize, kItemPictureSize, 4, 25);
    ItemFileLayout layout(item, picture);
    layout.itemKind = kItemKindOther;
    layout.longTextFlag = 1;
    layout.shortText = "短い";
    layout.longText = "長い";
    return ItemFileBytes(layout);
}

size_t Hash(const void* data, size_t size, size_t seed = 0)
{
    const std::string_view bytes(static_cast<const char*>(data), size);
    return std::hash<std::string_view>()(bytes) ^ (seed * 31);
}

// What a user could see of the open: picture, headers, texts, messages,
// the title.
std::string StateDigest(const Document& doc, const ViewChanges& view)
{
    uint8_t headers[kFileHeaderBytes + kInfoHeaderBytes];
    StoreFileHeader(doc.Picture.fileHeader, headers);
    StoreInfoHeader(doc.Picture.info.bmiHeader, headers + kFileHeaderBytes);
    size_t h = Hash(doc.Picture.pixels.data, static_cast<size_t>(doc.Picture.pixels.length));
    h = Hash(headers, sizeof headers, h);
    h = Hash(doc.AlphaMask.data, static_cast<size_t>(doc.AlphaMask.length), h);
    std::string digest = std::to_string(h) + " " + std::to_string(doc.Picture.width) + "x" +
                         std::to_string(doc.Picture.height) + " kind " + std::to_string(doc.kind) + " mask " +
                         std::to_string(doc.Transparency.MaskActive) + "\n" + doc.Picture.path + "\n" +
                         doc.PainterPath + "\n" + doc.CurrentPainter.name + "\n" + doc.CurrentPainter.memo + "\n";
    for (const RecordedMessage& m : Recorded().messages)
        digest += m.caption + ": " + m.text + "\n";
    if (view.title)
        digest += std::string(view.titleText) + "\n";
    return digest;
}

class Sweep : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(PrepareFuzzFolder(folder)); }

    // Opens the bytes (twice when twice is set: both must agree); the state
    // left behind must be consistent.
    void Open(const Bytes& bytes, bool twice, const char* what, size_t offset)
    {
        std::string digests[2];
        for (int run = 0; run < (twice ? 2 : 1); ++run) {
            ClearRecordedCalls();
            const FuzzOutcome outcome = RunFuzzInput(ui, doc, FuzzTarget::Open, bytes.data(), bytes.size(), folder);
            ASSERT_EQ(outcome.problem, "") << what << " at " << offset;
            digests[run] = StateDigest(doc, outcome.view);
        }
        if (twice) {
            ASSERT_EQ(digests[0], digests[1]) << what << " at " << offset << ": not the same twice";
        }
        ++opens;
    }

    // Every offset of the first `head` bytes, then `sparse` offsets spread
    // over the rest, and the last byte.
    void SweepFile(const std::string& name, const Bytes& original, size_t head, size_t sparse)
    {
        SCOPED_TRACE(name);
        ASSERT_FALSE(original.empty());
        if (std::getenv("ZAVIK_SWEEP_ALL"))
            head = kEveryOffset;
        std::vector<size_t> offsets;
        const size_t dense = std::min(original.size(), head);
        for (size_t i = 0; i < dense; ++i)
            offsets.push_back(i);
        if (dense < original.size()) {
            const size_t step = std::max<size_t>(1, (original.size() - dense) / std::max<size_t>(sparse, 1));
            for (size_t i = dense + step / 2; i < original.size(); i += step)
                offsets.push_back(i);
            offsets.push_back(original.size() - 1);
        }
        for (size_t offset : offsets) {
            Open(Bytes(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(offset)), true, "cut", offset);
            Bytes changed = original;
            for (uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}, static_cast<uint8_t>(~original[offset])}) {
                if (value == original[offset])
                    continue;
                changed[offset] = value;
                Open(changed, value == static_cast<uint8_t>(~original[offset]), "byte changed", offset);
            }
            if (HasFatalFailure())
                return;
        }
    }

    Document doc;
    TempDir dir;
    std::string folder = dir.Path("work");
    int opens = 0;
};

}  // namespace

// The heads: the painter's 564 bytes and its picture's first runs; the
// canvas's head and the mask layer's size (its weights and those of the
// later sections are swept in the canvas made here); the item's 700 bytes
// and its picture's head.
TEST_F(Sweep, SamplesCutAndChanged)
{
    const fs::path samples = ZAVIK_SAMPLES_DIR;
    SweepFile("hanako.esi", ReadWhole(samples / "hanako.esi"), 640 / kSampleHeadShare, kSampleSparse);
    SweepFile("sunset.cnv", ReadWhole(samples / "sunset.cnv"), 140 / kSampleHeadShare, kSampleSparse / 3);
    SweepFile("kirakira.itm", ReadWhole(samples / "kirakira.itm"), 720 / kSampleHeadShare, kSampleSparse);
    EXPECT_GT(opens, 700);
}

// The packed painter and the canvas at every offset. The JPEG painter's
// head and pen sections are those of the packed one, so its JPEG stream is
// what is swept in full; the item's 2000 bytes of long text are sampled.
TEST_F(Sweep, WrittenFilesCutAndChanged)
{
    SweepFile("painter, packed picture", MadePainter(1), kWrittenHead, kWrittenSparse);
    SweepFile("painter, JPEG picture", MadePainter(0), std::min<size_t>(kWrittenHead, 1400), 150);
    SweepFile("canvas with layers", MadeCanvas(dir.Path("")), kWrittenHead, kWrittenSparse);
    SweepFile("item", MadeItem(), std::min<size_t>(kWrittenHead, 1100), 200);
}

#ifdef __GLIBC__
// ------------------------------------------------------------ read errors

namespace {

// A file that the system fails to read from byte failAt on (EIO), as a
// failing disk or a dropped network share does; seeks work as on the file.
size_t failAt = 0;

struct FailingFile {
    std::FILE* file;
};

ssize_t FailingRead(void* cookie, char* buffer, size_t size)
{
    std::FILE* file = static_cast<FailingFile*>(cookie)->file;
    const long here = std::ftell(file);
    if (here < 0 || static_cast<size_t>(here) >= failAt) {
        errno = EIO;
        return -1;
    }
    return static_cast<ssize_t>(std::fread(buffer, 1, std::min(size, failAt - static_cast<size_t>(here)), file));
}

int FailingSeek(void* cookie, off64_t* offset, int whence)
{
    std::FILE* file = static_cast<FailingFile*>(cookie)->file;
    if (fseeko64(file, *offset, whence) != 0)
        return -1;
    *offset = ftello64(file);
    return 0;
}

int FailingClose(void* cookie)
{
    auto* failing = static_cast<FailingFile*>(cookie);
    const int closed = std::fclose(failing->file);
    delete failing;
    return closed;
}

std::FILE* OpenFailing(const char* path)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return nullptr;
    return fopencookie(new FailingFile{file}, "rb", {FailingRead, nullptr, FailingSeek, FailingClose});
}

// The state an open can change, messages and titles aside.
std::string StateWithoutMessages(const Document& doc)
{
    const std::string digest = StateDigest(doc, ViewChanges());
    size_t lines = 0, at = 0;
    while (lines < 5 && (at = digest.find('\n', at)) != std::string::npos)
        ++lines, ++at;
    return digest.substr(0, at) + std::to_string(doc.CanvasInfo.canvasValueA) + "/" +
           std::to_string(doc.CanvasInfo.hasLayers) + "/" + std::to_string(doc.CanvasInfo.canvasBlock.length) + "/" +
           doc.ItemExplanation;
}

}  // namespace

// A read error partway through any file opens nothing: the state is the one
// before the open, and the failure is reported.
TEST_F(Sweep, ReadErrorsChangeNothing)
{
    const fs::path samples = ZAVIK_SAMPLES_DIR;
    // Items and standard images name no painter whatever the read gives.
    const struct {
        const char* name;
        Bytes bytes;
        bool namesNoPainter;
    } files[] = {
        {"painter, packed picture", MadePainter(1), false},
        {"painter, JPEG picture", MadePainter(0), false},
        {"canvas with layers", MadeCanvas(dir.Path("")), false},
        {"item", MadeItem(), true},
        {"sample canvas", ReadWhole(samples / "sunset.cnv"), false},
        {"JPEG", ReadWhole(samples / "landscape.jpg"), true},
    };
    SetFileOpenerForTests(OpenFailing);
    for (const auto& file : files) {
        ResetFuzzState(doc);
        if (file.namesNoPainter)
            CopyText(doc.CurrentPainter.name, sizeof doc.CurrentPainter.name, kNoPainterName);
        const std::string before = StateWithoutMessages(doc);
        for (size_t step = 1; step <= 24; ++step) {
            failAt = file.bytes.size() * step / 25;
            ClearRecordedCalls();
            const FuzzOutcome outcome =
                RunFuzzInput(ui, doc, FuzzTarget::Open, file.bytes.data(), file.bytes.size(), folder);
            EXPECT_EQ(outcome.problem, "") << file.name << " failing at " << failAt;
            EXPECT_EQ(StateWithoutMessages(doc), before) << file.name << " failing at " << failAt;
            EXPECT_FALSE(Recorded().messages.empty()) << file.name << " failing at " << failAt;
        }
    }
    SetFileOpenerForTests(nullptr);
}
#endif

// ------------------------------------------------------------ size limit

namespace {

// The widest picture whose stride is a power of two: 3 x 5461 = 16383 bytes
// of pixels, one byte of padding. 16384 rows of it are exactly the limit.
constexpr int32_t kLimitWidth = 5461;
constexpr int32_t kLimitHeight = 16384;
static_assert((3 * kLimitWidth + 3) / 4 * 4 * int64_t{kLimitHeight} == int64_t{256} << 20, "exactly the limit");

void StoreU32BE(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// A BMP file that is a header only: the rows it does not carry read as zero.
Bytes BmpHead(int32_t width, int32_t height)
{
    RasterImage sized;
    sized.width = width;
    sized.height = height;
    sized.stride = static_cast<int32_t>(StrideForWidth(width));
    sized.FillHeaders();
    Bytes bytes(kFileHeaderBytes + kInfoHeaderBytes);
    StoreFileHeader(sized.fileHeader, bytes.data());
    StoreInfoHeader(sized.info.bmiHeader, bytes.data() + kFileHeaderBytes);
    return bytes;
}

// A canvas without layers whose main picture is a Huffman section of the
// given size with a stream that ends at once (the picture stays zero).
Bytes HugeHuffmanCanvas(int32_t width, int32_t height)
{
    CanvasFileFields fields;
    fields.painterPath = "nobody.esi";
    Bytes bytes;
    AppendCanvasHead(bytes, fields);
    float weights[kHuffmanSymbols] = {};
    weights[0] = 3.0f;   // two leaves: byte 0 on the 0 branch, the end symbol on the 1 branch
    AppendHuffmanHead(bytes, width, height, 1);
    AppendHuffmanWeights(bytes, weights);
    bytes.push_back(0x80);
    return bytes;
}

// A 1 x 1 PNG whose header is made to say width x height (its CRC redone).
Bytes PngClaiming(uint32_t width, uint32_t height)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = image.height = 1;
    image.format = PNG_FORMAT_RGB;
    const uint8_t pixel[3] = {1, 2, 3};
    png_alloc_size_t length = 1024;
    Bytes bytes(length);
    if (!png_image_write_to_memory(&image, bytes.data(), &length, 0, pixel, 0, nullptr))
        return {};
    bytes.resize(length);
    // Signature (8), chunk length (4), "IHDR" from 12, its 13 bytes from 16, CRC from 29.
    StoreU32BE(bytes.data() + 16, width);
    StoreU32BE(bytes.data() + 20, height);
    StoreU32BE(bytes.data() + 29, static_cast<uint32_t>(crc32(0, bytes.data() + 12, 17)));
    return bytes;
}

// An 8 x 8 JPEG whose frame header is made to say width x height.
Bytes JpegClaiming(uint16_t width, uint16_t height, const std::string& folder)
{
    RasterImage small;
    Blocks(small, 8, 8, 0);
    const std::string path = folder + "/small.jpg";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return {};
    const bool encoded = EncodeJPEG(small, 75, 0, file) == 1;
    std::fclose(file);
    Bytes bytes = encoded ? ReadWhole(path) : Bytes();
    for (size_t i = 0; i + 8 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {   // SOF0: length, precision, height, width
            bytes[i + 5] = static_cast<uint8_t>(height >> 8);
            bytes[i + 6] = static_cast<uint8_t>(height);
            bytes[i + 7] = static_cast<uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<uint8_t>(width);
            return bytes;
        }
    return {};
}

// Peak resident memory so far in MiB, or -1 where it cannot be told.
long PeakMiB()
{
#ifndef _WIN32
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0)
        return usage.ru_maxrss / 1024;
#endif
    return -1;
}

class SizeLimit : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(PrepareFuzzFolder(folder)); }

    FuzzOutcome Open(const Bytes& bytes)
    {
        ClearRecordedCalls();
        return RunFuzzInput(ui, doc, FuzzTarget::Open, bytes.data(), bytes.size(), folder);
    }

    // The previous 3 x 2 picture is still there and a message said why.
    void ExpectRefused(const Bytes& bytes, const RecordedMessage& first)
    {
        ASSERT_FALSE(bytes.empty());
        const FuzzOutcome outcome = Open(bytes);
        EXPECT_EQ(outcome.problem, "");
        EXPECT_EQ(doc.Picture.width, 3);
        EXPECT_EQ(doc.Picture.height, 2);
        EXPECT_EQ(doc.Picture.pixels.data[0], 0x55);
        ASSERT_FALSE(Recorded().messages.empty());
        EXPECT_EQ(Recorded().messages[0], first);
    }

    // A picture of exactly the limit opens, unless (only in a 32-bit
    // process) no block of that size can be had, which is told the same way.
    void ExpectOpensAtLimit(const Bytes& bytes)
    {
        const FuzzOutcome outcome = Open(bytes);
        EXPECT_EQ(outcome.problem, "");
        if (sizeof(void*) == 4 && doc.Picture.width == 3) {
            ResetFuzzState(doc);
            GTEST_SKIP() << "no 256 MiB block in this 32-bit address space; the limit is checked by the 64-bit build";
        }
        EXPECT_EQ(doc.Picture.width, kLimitWidth);
        EXPECT_EQ(doc.Picture.height, kLimitHeight);
        EXPECT_EQ(doc.Picture.pixels.length, int64_t{256} << 20);
        EXPECT_EQ(doc.Picture.pixels.data[doc.Picture.pixels.length - 1], 0);
        ResetFuzzState(doc);   // gives the block back
    }

    Document doc;
    TempDir dir;
    std::string folder = dir.Path("work");
    const WindowHandle window = reinterpret_cast<WindowHandle>(0x1234);
};

}  // namespace

// Runs before the pictures at the limit, so that the peak memory tells
// whether a refused size was allocated anyway.
TEST_F(SizeLimit, OneRowOverIsRefusedBeforeAnyAllocation)
{
    const long peakBefore = PeakMiB();
    ExpectRefused(BmpHead(kLimitWidth, kLimitHeight + 1), {window, "BMPファイルオープンに失敗しました。", "失敗"});
    ExpectRefused(BmpHead(kLimitWidth, -(kLimitHeight + 1)), {window, "BMPファイルオープンに失敗しました。", "失敗"});
    ExpectRefused(HugeHuffmanCanvas(kLimitWidth, kLimitHeight + 1),
                  {window, "JPEGファイル作成に失敗しました。ReadCNV", "失敗"});
    ExpectRefused(HugeHuffmanCanvas(INT32_MAX, INT32_MAX), {window, "JPEGファイル作成に失敗しました。ReadCNV", "失敗"});
    ExpectRefused(PngClaiming(kLimitWidth, kLimitHeight + 1), {window, "PNG画像が大きすぎて読み込めません。", "失敗"});
    ExpectRefused(JpegClaiming(kLimitWidth, kLimitHeight + 1, dir.Path("")),
                  {window, "JPEGファイルオープンに失敗しました。2", "失敗"});
    const long peakAfter = PeakMiB();
    if (peakBefore >= 0 && peakBefore < 128) {
        EXPECT_LT(peakAfter - peakBefore, 64) << "a refused picture was allocated";
    }
}

TEST_F(SizeLimit, PictureOfExactlyTheLimitOpens)
{
    ExpectOpensAtLimit(BmpHead(kLimitWidth, kLimitHeight));
    if (IsSkipped())
        return;
    ExpectOpensAtLimit(HugeHuffmanCanvas(kLimitWidth, kLimitHeight));
}
