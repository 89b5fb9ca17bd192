#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/open_readers.h"
#include "formats/painter/canvas_reader.h"
#include "image/canvas_layers.h"
#include "image/little_endian.h"
#include "tests/support/recording_platform.h"
#include "tests/support/temp_files.h"
#include "tools/writers/canvas_file_writer.h"
#include "tools/writers/huffman_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Messages = std::vector<RecordedMessage>;
WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0x4321);
RecordingFrontEnd ui(kWindow);

const RecordedMessage kBadMagic{kWindow, "本当にcnvファイルですか？", "失敗してしまいました。"};
const RecordedMessage kBadVersion{
    kWindow, "このバージョンのcnvファイルは使えません。ソフトのバージョンを上げてください。（ToT)", "残念ながら･･･"};
const RecordedMessage kLayerFailed{kWindow, "HuffDecodeImgファイル作成に失敗しました。WRITE_CNV2", "失敗"};
const RecordedMessage kHuffmanMainFailed{kWindow, "JPEGファイル作成に失敗しました。ReadCNV", "失敗"};
const RecordedMessage kJpegMainFailed{kWindow, "JPEGファイル読み込みに失敗しました。ReadCNV", "失敗"};

Bytes Pixels(const RasterImage& p) { return Bytes(p.pixels.data, p.pixels.data + p.pixels.length); }
Bytes PixelAt(const RasterImage& p, int32_t x, int32_t row)
{
    const uint8_t* at = p.pixels.data + p.Offset(x, row);
    return Bytes(at, at + 3);
}
void SetPixel(RasterImage& p, int32_t x, int32_t row, const Bytes& bgr) { std::memcpy(p.pixels.data + p.Offset(x, row), bgr.data(), 3); }
void MakeRandom(RasterImage& p, int32_t width, int32_t height, unsigned seed)
{
    p.ResizeAndFill(width, height, 0);
    std::mt19937 random(seed);
    for (int32_t i = 0; i < p.pixels.length; ++i)
        p.pixels.data[i] = static_cast<uint8_t>(random());
}
std::string AsString(const Bytes& b) { return std::string(b.begin(), b.end()); }

class CanvasReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearRecordedCalls();
        // SetUp runs again between cases: what a read leaves behind goes.
        doc.kind = kNone;
        std::memset(doc.PainterPath, 0, sizeof doc.PainterPath);
        std::memset(doc.CanvasPath, 0, sizeof doc.CanvasPath);
        std::memset(doc.CurrentPath, 0, sizeof doc.CurrentPath);
        doc.CanvasInfo.canvasValueA = 0;
        doc.CanvasInfo.canvasBlock.Free();
        doc.CanvasInfo.hasLayers = doc.CanvasInfo.maskLevel = doc.CanvasInfo.maskScale = 0;
        std::strcpy(doc.CurrentPainter.name, "前の絵師");
        doc.Picture.ResizeAndFill(3, 2, 0x55);
        std::strcpy(doc.Picture.path, "previous subject path.bmp");
        MakeRandom(main, 7, 5, 1);
        fields = CanvasFileFields();
        fields.subjectPath = std::string("C:\\題材\\山.jpg") + '\0';
        fields.painterPath = std::string("C:\\絵師\\表.esi") + '\0';   // 表 ends in 0x5C
        for (int i = 0; i < 7; ++i)
            fields.canvasValues[i] = 1000 + i;
        fields.canvasBlock = {1, 2, 3, 4, 5};
        fields.mainPicture = &main;
    }
    int Read(const std::string& path)
    {
        return ReadCNV(ui, path.c_str(), doc, doc.Picture.path, doc.PainterPath);
    }
    std::string Write()
    {
        std::string path = dir.Path("c" + std::to_string(count++) + ".cnv");
        EXPECT_TRUE(WriteCanvasFile(path.c_str(), fields));
        return path;
    }
    void ExpectPictureUnchanged() const { EXPECT_EQ(Pixels(doc.Picture), Bytes(24, 0x55)); }

    Document doc;
    TempDir dir;
    int count = 0;
    RasterImage main;
    CanvasFileFields fields;
};

}  // namespace

TEST_F(CanvasReader, HeadChecks)
{
    struct Case {
        const char* magic;
        int32_t version;
        int result;
        Messages messages;
    };
    const Case cases[] = {
        {"cnv file 0b", 0, kCanvasBadMagic, {kBadMagic}},
        {"cnv filE 0a", 0, kCanvasBadMagic, {kBadMagic}},
        {"cnv file 0a\x7F", 0, kCanvasRead, {}},   // the twelfth byte is not examined
        {"cnv file 0a", 1, kCanvasBadVersion, {kBadVersion}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.magic);
        SetUp();
        std::memcpy(fields.magic, c.magic, std::strlen(c.magic));
        fields.version = c.version;
        EXPECT_EQ(Read(Write()), c.result);
        EXPECT_EQ(Recorded().messages, c.messages);
        EXPECT_EQ(doc.kind, c.result == kCanvasRead ? kCanvas : kNone);
        if (c.result != kCanvasRead) {   // nothing after the head was read
            EXPECT_STREQ(doc.Picture.path, "previous subject path.bmp");
            EXPECT_STREQ(doc.CurrentPainter.name, "前の絵師");
        }
    }
    SetUp();
    EXPECT_EQ(Read(dir.Path("missing.cnv")), kCanvasBadMagic);
    EXPECT_TRUE(Recorded().messages.empty());
}

TEST_F(CanvasReader, WithoutLayersThePictureIsShownAsStored)
{
    fields.maskLevel = -128;   // not levelled, so not clamped, without layers
    fields.maskScale = 37;
    fields.underWidth = fields.underHeight = 0x7FFFFFFF;   // unused without layers
    // A path ends after its S bytes, even without a stored terminator and
    // over a longer previous path; one beyond 259 bytes is cut and the
    // fields after it stay in place.
    fields.subjectPath = "new.jpg";
    fields.painterPath = "D:\\" + std::string(400, 'p');
    EXPECT_EQ(Read(Write()), kCanvasRead);
    EXPECT_TRUE(Recorded().messages.empty());
    EXPECT_EQ(Pixels(doc.Picture), Pixels(main));
    EXPECT_EQ(doc.Picture.fileHeader.bfSize, uint32_t(24 * 5 + 54));
    EXPECT_STREQ(doc.Picture.path, "new.jpg");
    EXPECT_EQ(std::string(doc.PainterPath), fields.painterPath.substr(0, kPathSize - 1));
    EXPECT_EQ(doc.CanvasInfo.canvasValueA, 1000);
    EXPECT_EQ(doc.CanvasInfo.canvasValueD, 1003);
    EXPECT_EQ(doc.CanvasInfo.canvasValueG, 1006);
    EXPECT_EQ(Bytes(doc.CanvasInfo.canvasBlock.data, doc.CanvasInfo.canvasBlock.data + 5), fields.canvasBlock);
    EXPECT_EQ(doc.CanvasInfo.maskLevel, -128);
    EXPECT_EQ(doc.CanvasInfo.maskScale, 37);
    EXPECT_EQ(doc.kind, kCanvas);
}

TEST_F(CanvasReader, MainPictureFormats)
{
    struct Case {
        uint8_t format;
        bool valid;
        Messages messages;
    };
    const Case cases[] = {{0, true, {}}, {1, false, {kHuffmanMainFailed}}, {7, false, {kJpegMainFailed}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.format) << (c.valid ? " valid" : " bad"));
        SetUp();
        fields.mainFormat = c.format;
        main.ResizeAndFill(16, 8, 0x80);
        Bytes bad;   // a refused Huffman head, and no JPEG
        AppendCanvasHead(bad, fields);
        bad.resize(bad.size() + 12);
        EXPECT_EQ(Read(c.valid ? Write() : dir.Write("bad.cnv", AsString(bad))), kCanvasRead);
        EXPECT_EQ(Recorded().messages, c.messages);
        EXPECT_EQ(doc.kind, kCanvas);
        if (c.valid) {
            EXPECT_EQ(doc.Picture.width, 16);
            EXPECT_NEAR(doc.Picture.pixels.data[0], 0x80, 2);
        } else {
            ExpectPictureUnchanged();
        }
    }
}

// The decoder works on the contents it is handed: a canvas whose main
// picture fails keeps the handed picture, lists the box, and nothing of the
// document, no platform call and no painter name changes.
TEST_F(CanvasReader, DecoderWritesOnlyItsContents)
{
    fields.mainFormat = 0;   // a JPEG main picture, here no JPEG at all
    Bytes bytes;
    AppendCanvasHead(bytes, fields);
    const std::string path = dir.Write("no main picture.cnv", AsString(bytes));
    CanvasContents canvas;
    canvas.picture.ResizeAndFill(2, 2, 0x33);
    std::strcpy(canvas.painterPath, "old painter path");
    MessageList messages;
    ByteSource in;
    ASSERT_TRUE(in.Open(path.c_str()));
    EXPECT_EQ(DecodeCanvasFile(in, canvas, messages), CanvasError::kNone);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Cp932MessageText(messages[0].id, nullptr), kJpegMainFailed.text);
    EXPECT_EQ(Pixels(canvas.picture), Bytes(16, 0x33));
    EXPECT_STREQ(canvas.subjectPath, "C:\\題材\\山.jpg");
    EXPECT_STREQ(canvas.painterPath, "C:\\絵師\\表.esi");
    EXPECT_EQ(canvas.record.canvasValueG, 1006);
    EXPECT_TRUE(Recorded().messages.empty());
    ExpectPictureUnchanged();
    EXPECT_STREQ(doc.Picture.path, "previous subject path.bmp");
    EXPECT_EQ(doc.CanvasInfo.canvasValueA, 0);
    EXPECT_STREQ(doc.CurrentPainter.name, "前の絵師");
    EXPECT_EQ(doc.kind, kNone);

    // A canvas that cannot be opened is refused before anything is read, without a box.
    char subject[kPathSize] = {}, painter[kPathSize] = {};
    EXPECT_EQ(ReadCNV(ui, dir.Path("missing.cnv").c_str(), doc, subject, painter), kCanvasBadMagic);
    EXPECT_TRUE(Recorded().messages.empty());
}

TEST_F(CanvasReader, LayersShowTheUnderLayerWhereTheMaskIsBlack)
{
    // A 2 x 1 mask, black then white, tiled over a 3 x 2 canvas.
    RasterImage mask, under;
    mask.ResizeAndFill(2, 1, 0);
    SetPixel(mask, 1, 0, {255, 255, 255});
    under.ResizeAndFill(3, 2, 200);
    main.ResizeAndFill(3, 2, 100);
    fields.hasLayers = 1;
    fields.maskLayer = &mask;
    fields.underLayer = &under;
    EXPECT_EQ(Read(Write()), kCanvasRead);
    EXPECT_TRUE(Recorded().messages.empty());
    for (int32_t row = 0; row < 2; ++row) {
        EXPECT_EQ(PixelAt(doc.Picture, 0, row), Bytes(3, 200));
        EXPECT_EQ(PixelAt(doc.Picture, 1, row), Bytes(3, 99));   // white loses a step to a brighter under byte
        EXPECT_EQ(PixelAt(doc.Picture, 2, row), Bytes(3, 200));
    }
    EXPECT_EQ(doc.Picture.pixels.data[9], 100);   // row padding is not blended

    // A mask section that fails is reported; the picture stays unblended.
    SetUp();
    fields.hasLayers = 1;
    Bytes bytes;
    AppendCanvasHead(bytes, fields);
    AppendHuffmanHead(bytes, 0, 0, 0);
    AppendHuffmanSection(bytes, under);
    AppendHuffmanSection(bytes, main);
    EXPECT_EQ(Read(dir.Write("bad mask.cnv", AsString(bytes))), kCanvasRead);
    EXPECT_EQ(Recorded().messages, Messages{kLayerFailed});
    EXPECT_EQ(Pixels(doc.Picture), Pixels(main));
}

TEST_F(CanvasReader, PainterName)
{
    struct Case {
        std::string painterPath;
        const char* name;
    };
    const Case cases[] = {
        {"C:\\絵師\\表.esi", "表.esi"}, {"a/b\\c.esi", "c.esi"}, {"plain.esi", "plain.esi"},
        {"ソ\\能.esi", "能.esi"},                       // both end in 0x5C
        {"", "－－"}, {std::string(259, 'x'), "－－"},   // no full path within 259 bytes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.painterPath);
        SetUp();
        fields.painterPath = c.painterPath + '\0';
        EXPECT_EQ(Read(Write()), kCanvasRead);
        EXPECT_STREQ(doc.CurrentPainter.name, c.name);
    }
    // An existing painter file names the painter: the short form, with the
    // 50-byte name at offset 16.
    std::string painter(511, '\0');
    std::memcpy(&painter[0], "esi file 0f", 11);
    const char name[] = "キャンバスの絵師";
    std::memcpy(&painter[16], name, sizeof name - 1);
    // Cut before its format word (70 bytes), it still names the painter, without a box.
    for (size_t length : {painter.size(), size_t{70}}) {
        SetUp();
        fields.painterPath = dir.Write("painter.esi", painter.substr(0, length)) + '\0';
        EXPECT_EQ(Read(Write()), kCanvasRead);
        EXPECT_STREQ(doc.CurrentPainter.name, name);
        EXPECT_TRUE(Recorded().messages.empty()) << length;
    }
}

TEST_F(CanvasReader, ImpossibleLengthsEndTheRead)
{
    const size_t sAt = 16, pAt = sAt + 4 + fields.subjectPath.size();
    const size_t bAt = pAt + 4 + fields.painterPath.size() + 28 + 4 + 46;
    struct Case {
        size_t at;
        int32_t value;   // -2: one byte more than the file has left
        RecordedMessage message;   // the format byte comes after the paths
    };
    const Case cases[] = {{sAt, 0x7FFFFFFF, kJpegMainFailed}, {sAt, -1, kJpegMainFailed},
                          {pAt, -7, kJpegMainFailed},          {bAt, 0x7FFFFFFF, kHuffmanMainFailed},
                          {bAt, -2, kHuffmanMainFailed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.at << ": " << c.value);
        SetUp();
        Bytes bytes;
        AppendCanvasHead(bytes, fields);
        AppendHuffmanSection(bytes, main);
        StoreI32LE(&bytes[c.at], c.value == -2 ? static_cast<int32_t>(bytes.size() - c.at - 4 + 1) : c.value);
        EXPECT_EQ(Read(dir.Write("lengths.cnv", AsString(bytes))), kCanvasRead);
        EXPECT_EQ(Recorded().messages, Messages{c.message});
        if (c.at == bAt) {   // the Huffman picture's size is gone with the rest: no picture
            EXPECT_EQ(doc.CanvasInfo.canvasBlock.length, 0);
            EXPECT_TRUE(doc.Picture.Empty());
        } else {   // the format byte is gone too: a JPEG that fails keeps the picture
            ExpectPictureUnchanged();
        }
    }
}

TEST_F(CanvasReader, TruncatedFilesAreReadAsFarAsTheyGo)
{
    RasterImage mask, under;
    MakeRandom(mask, 3, 2, 5);
    MakeRandom(under, 7, 5, 6);
    fields.hasLayers = 1;
    fields.maskLayer = &mask;
    fields.underLayer = &under;
    fields.maskLevel = 20;
    fields.maskScale = 50;
    Bytes head;
    AppendCanvasHead(head, fields);
    for (const RasterImage* p : {&mask, &under, &main})
        AppendHuffmanSection(head, *p);
    const std::string whole = AsString(head);
    const size_t formatAt = 16 + 8 + fields.subjectPath.size() + fields.painterPath.size() + 28;
    const size_t mainAt = whole.size() - HuffmanSectionBytes(main).size();
    // Every length through the head and around the main picture's head.
    for (size_t length = 0; length < whole.size(); length += (length < 200 || length + 13 - mainAt < 29 ? 1 : 13)) {
        SCOPED_TRACE(length);
        SetUp();
        int result = Read(dir.Write("cut.cnv", whole.substr(0, length)));
        EXPECT_EQ(doc.Picture.pixels.length, int64_t{doc.Picture.stride} * doc.Picture.height);
        if (length < 11) {
            EXPECT_EQ(result, kCanvasBadMagic);
            EXPECT_EQ(Recorded().messages, Messages{kBadMagic});
        } else if (length < 16) {   // no version word: refused; the caller's box tells
            EXPECT_EQ(result, kCanvasBadMagic);
            EXPECT_TRUE(Recorded().messages.empty());
        } else {   // what is missing is reported
            EXPECT_EQ(result, kCanvasRead);
            EXPECT_FALSE(Recorded().messages.empty());
        }
        // Past its format byte the picture is never the one shown before:
        // none before the main picture gives its size, then one of that size.
        if (length > formatAt && length < mainAt + 8) {
            EXPECT_TRUE(doc.Picture.Empty());
        } else if (length >= mainAt + 8) {
            EXPECT_EQ(std::make_pair(doc.Picture.width, doc.Picture.height), std::make_pair(7, 5));
        }
    }
}

TEST_F(CanvasReader, MaskScaleUsesTheSinglePrecisionPercent)
{
    const int cases[][3] = {{50, 31, 23}, {100, 63, 47}, {1, 1, 1}, {0, 64, 48}, {-20, 1, 1}, {127, 81, 60}};
    RasterImage source;
    MakeRandom(source, 64, 48, 3);
    for (const auto& c : cases) {
        doc.CanvasInfo.hasLayers = 1;
        doc.CanvasInfo.maskScale = static_cast<int8_t>(c[0]);
        RasterImage mask;
        mask.CopyPixelsFrom(source);
        PrepareMaskLayer(mask, doc.CanvasInfo.hasLayers, doc.CanvasInfo.maskScale, doc.CanvasInfo.maskLevel);
        EXPECT_EQ(mask.width, c[1]) << c[0];
        EXPECT_EQ(mask.height, c[2]) << c[0];
        EXPECT_EQ(mask.info.bmiHeader.biWidth, c[1]) << c[0];
        if (c[0] == 0) {
            EXPECT_EQ(Pixels(mask), Pixels(source));
        }
    }
    doc.CanvasInfo.hasLayers = 0;   // without layers: 100 x 100 white
    RasterImage mask;
    PrepareMaskLayer(mask, doc.CanvasInfo.hasLayers, doc.CanvasInfo.maskScale, doc.CanvasInfo.maskLevel);
    EXPECT_EQ(Pixels(mask), Bytes(300 * 100, 0xFF));
}

TEST_F(CanvasReader, MaskLevelBlackensAndStretches)
{
    struct Case {
        int8_t level, stored;
        Bytes in, out;   // blue, green, red
    };
    const Case cases[] = {
        {0, 0, {17, 128, 255}, {17, 128, 255}},
        {64, 64, {200, 100, 255}, {144, 0, 255}},   // (200 - 128) x 255 / 127 = 144.6; 100 is below 128
        {64, 64, {127, 255, 255}, {0, 0, 0}},       // blue below 128: black
        {-128, -127, {0, 0, 255}, {127, 127, 255}},   // T = -254: 254 x 255 / 509 = 127.2
        {127, 127, {254, 255, 253}, {0, 255, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.level));
        doc.CanvasInfo.hasLayers = 1;
        doc.CanvasInfo.maskScale = 0;
        doc.CanvasInfo.maskLevel = c.level;
        RasterImage mask;
        mask.ResizeAndFill(2, 1, 0);
        SetPixel(mask, 1, 0, c.in);
        PrepareMaskLayer(mask, doc.CanvasInfo.hasLayers, doc.CanvasInfo.maskScale, doc.CanvasInfo.maskLevel);
        EXPECT_EQ(doc.CanvasInfo.maskLevel, c.stored);
        EXPECT_EQ(PixelAt(mask, 1, 0), c.out);
        EXPECT_EQ(mask.pixels.data[6], 0);   // padding untouched
    }
}

TEST_F(CanvasReader, BlendArithmetic)
{
    const uint8_t cases[][4] = {   // mask blue, painted, under, result
        {0, 100, 37, 37},    {255, 100, 255, 99}, {255, 0, 255, 0},   {255, 200, 100, 200},
        {255, 255, 255, 255}, {128, 200, 0, 100}, {128, 0, 255, 126}, {64, 10, 250, 189}};
    for (const auto& c : cases) {
        RasterImage mask, under;
        mask.ResizeAndFill(1, 1, c[0]);
        under.ResizeAndFill(1, 1, c[2]);
        doc.Picture.ResizeAndFill(1, 1, c[1]);
        EXPECT_EQ(BlendLayers(doc.Picture, under, mask), kBlendDone);
        EXPECT_EQ(PixelAt(doc.Picture, 0, 0), Bytes(3, c[3])) << int(c[0]) << " " << int(c[1]) << " " << int(c[2]);
    }
    // No mask: nothing changes. The under layer is read at the picture's
    // byte offsets (its row stride), as far as its block goes; the painted
    // bytes beyond it stay. A black mask shows exactly which bytes are read.
    RasterImage mask, small, wide, empty;
    mask.ResizeAndFill(1, 1, 0);
    small.ResizeAndFill(2, 1, 9);   // 8 bytes
    doc.Picture.ResizeAndFill(3, 2, 0x55);
    EXPECT_EQ(BlendLayers(doc.Picture, small, empty), kBlendSkipped);
    ExpectPictureUnchanged();
    EXPECT_EQ(BlendLayers(doc.Picture, small, mask), kBlendDone);
    Bytes expected(24, 0x55);
    std::fill(expected.begin(), expected.begin() + 8, 9);
    EXPECT_EQ(Pixels(doc.Picture), expected);

    MakeRandom(wide, 30, 10, 5);    // stride 92 under a picture of stride 60
    doc.Picture.ResizeAndFill(20, 10, 0x55);
    EXPECT_EQ(BlendLayers(doc.Picture, wide, mask), kBlendDone);
    EXPECT_EQ(Pixels(doc.Picture), Bytes(wide.pixels.data, wide.pixels.data + 600));
}

// The blend on pictures wide enough for the vector path, in place, with a
// tiled mask and under layers cut at every byte of a row: each byte as the
// format defines it, trunc(u x (1 - a) + p x a) in double precision with
// a = t x (1/255 as a float).
TEST_F(CanvasReader, BlendIsTheDoublePrecisionDefinitionOnEveryByte)
{
    RasterImage mask, under, painted;
    MakeRandom(mask, 7, 3, 21);
    for (int32_t i = 0; i < mask.pixels.length; i += 5)
        mask.pixels.data[i] = i % 2 ? 0 : 255;   // the extremes too
    MakeRandom(under, 45, 4, 22);
    MakeRandom(painted, 41, 5, 23);   // stride 124 over a layer of stride 136
    for (int32_t cut = 0; cut <= under.pixels.length; cut += cut < 300 ? 1 : 37) {
        Bytes expected = Pixels(painted);
        for (int64_t i = 0; i < std::min<int64_t>(cut, painted.stride * int64_t{painted.height}); ++i) {
            const int64_t row = i / painted.stride, column = i % painted.stride / 3;
            if (column >= painted.width)
                continue;
            const int t = mask.pixels.data[mask.Offset(static_cast<int32_t>(column % mask.width),
                                                       static_cast<int32_t>(row % mask.height))];
            const double a = t * static_cast<double>(1.0f / 255.0f);
            const double v = under.pixels.data[i] * (1.0 - a) + expected[i] * a;
            expected[i] = static_cast<uint8_t>(v > 0.0 ? v : 0.0);
        }
        RasterImage cutUnder;
        cutUnder.pixels.Allocate(cut);
        if (cut > 0)
            std::memcpy(cutUnder.pixels.data, under.pixels.data, static_cast<size_t>(cut));
        doc.Picture.CopyPixelsFrom(painted);
        ASSERT_EQ(BlendLayers(doc.Picture, cutUnder, mask), kBlendDone);
        ASSERT_EQ(Pixels(doc.Picture), expected) << "under layer of " << cut << " bytes";
    }
}

TEST_F(CanvasReader, ResizeBilinear)
{
    RasterImage source, dest;
    MakeRandom(source, 5, 3, 11);
    EXPECT_EQ(ResizeBilinear(source, dest, 5, 3), kResizeDone);
    EXPECT_EQ(Pixels(dest), Pixels(source));   // its own size: a copy, padding included
    EXPECT_EQ(dest.fileHeader.bfSize, uint32_t(16 * 3 + 54));

    struct Case {
        Bytes in;
        int32_t width;
        Bytes out;
    };
    const Case cases[] = {{{0, 200}, 4, {0, 100, 200, 200}},   // the last columns clamp to the source
                          {{0, 60, 120, 180}, 2, {0, 120}},
                          {{0, 255}, 3, {0, 170, 255}}};       // fx = 2/3 as a float: 170.000005
    for (const Case& c : cases) {
        source.ResizeAndFill(static_cast<int32_t>(c.in.size()), 1, 0);
        for (size_t x = 0; x < c.in.size(); ++x)
            SetPixel(source, static_cast<int32_t>(x), 0, {c.in[x], 0, 0});
        ASSERT_EQ(ResizeBilinear(source, dest, c.width, 1), kResizeDone);
        for (int32_t x = 0; x < c.width; ++x)
            EXPECT_EQ(PixelAt(dest, x, 0), (Bytes{c.out[x], 0, 0})) << x;
    }

    // Both directions at once: 3 x 3 to 4 x 4 steps by 0.75 (exact), so every
    // output is a blend of up to four source pixels with weights in quarters.
    const uint8_t grid[3][3] = {{0, 40, 80}, {100, 160, 220}, {255, 5, 17}};   // [row][column]
    const uint8_t blue[4][4] = {{0, 30, 60, 80}, {75, 116, 157, 185}, {177, 106, 100, 118}, {255, 67, 11, 17}};
    // Red is 255 - blue in the source; fractions truncate the other way.
    const uint8_t red[4][4] = {{255, 225, 195, 175}, {180, 138, 97, 70}, {77, 148, 154, 136}, {0, 187, 244, 238}};
    source.ResizeAndFill(3, 3, 0);
    for (int32_t row = 0; row < 3; ++row)
        for (int32_t x = 0; x < 3; ++x)
            SetPixel(source, x, row, {grid[row][x], 7, static_cast<uint8_t>(255 - grid[row][x])});
    ASSERT_EQ(ResizeBilinear(source, dest, 4, 4), kResizeDone);
    EXPECT_EQ(dest.info.bmiHeader.biHeight, 4);
    for (int32_t row = 0; row < 4; ++row)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(dest, x, row), (Bytes{blue[row][x], 7, red[row][x]})) << x << ", " << row;

    RasterImage empty;
    dest.ResizeAndFill(2, 2, 0x33);
    EXPECT_EQ(ResizeBilinear(empty, dest, 4, 4), kResizeNoSource);
    EXPECT_EQ(ResizeBilinear(source, dest, -4, 4), kResizeRefused);
    EXPECT_EQ(ResizeBilinear(source, dest, 0x7FFFFFFF, 0x7FFFFFFF), kResizeRefused);
    EXPECT_EQ(Pixels(dest), Bytes(16, 0x33));
}
