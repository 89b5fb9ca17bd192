#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/view_layout.h"
#include "colour/transparency_state.h"
#include "formats/standard/bmp_codec.h"
#include "formats/standard/png_codec.h"
#include "formats/standard/save_pipeline.h"
#include "tests/support/blend_reference.h"
#include "tests/support/recording_platform.h"
#include "tests/support/temp_files.h"

namespace {

WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0x4567);
RecordingFrontEnd ui(kWindow);

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> Bytes(const RasterImage& p) { return {p.pixels.data, p.pixels.data + p.pixels.length}; }

class Save : public ::testing::Test {
protected:
    // 5 x 3 (stride 16: one padding byte a row, 0xEE) with partial weights.
    void SetUp() override
    {
        ClearRecordedCalls();
        doc.Transparency = TransparencyState();
        doc.Transparency.BGColor = 0x00306090;
        doc.Picture.ResizeAndFill(5, 3, 0xEE);
        doc.AlphaMask.Allocate(15);
        for (int i = 0; i < 15; ++i) {
            for (int k = 0; k < 3; ++k)
                doc.Picture.pixels.data[i / 5 * 16 + i % 5 * 3 + k] = static_cast<uint8_t>(40 * i + 30 * k);
            doc.AlphaMask.data[i] = static_cast<uint8_t>(60 * (i % 5) + i / 5);
        }
        doc.Picture.FillHeaders();
        BuildBackdrop(doc.Backdrop, 5, 3, kBGColorFill, doc.Transparency.BGColor);
    }

    std::set<std::string> Names() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path("")))
            names.insert(entry.path().filename().string());
        return names;
    }
    Document doc;
    TempDir dir;
};

}  // namespace

TEST_F(Save, CompositeIsACopyOverTheChosenBackground)
{
    const std::vector<uint8_t> before = Bytes(doc.Picture);
    RasterImage solid;
    BuildBackdrop(solid, 5, 3, kBGColorFill, doc.Transparency.BGColor);
    doc.Transparency.MaskActive = 1;
    for (int mode : {0, 1, 7})   // Transparent, BGColorFill, and any other value like Transparent
        for (bool staleBackdrop : {false, true}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " stale " << staleBackdrop);
            doc.Transparency.BackgroundMode = mode;
            // The view's backdrop (grey here, unlike BGColor) when it fits the
            // picture; solid BGColor in place of one sized for another.
            BuildBackdrop(doc.Backdrop, staleBackdrop ? 2 : 5, staleBackdrop ? 2 : 3, kTransparent, 0);
            RasterImage composite;
            ASSERT_EQ(CompositeForSave(composite, doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency),
                      kRasterOk);
            ASSERT_EQ(composite.pixels.length, 48);
            for (int i = 0; i < 48; ++i) {
                if (i % 16 == 15) {   // padding is the picture's
                    ASSERT_EQ(composite.pixels.data[i], 0xEE);
                    continue;
                }
                const int g = mode == kBGColorFill ? (staleBackdrop ? solid : doc.Backdrop).pixels.data[i] : 255;
                const uint8_t w = doc.AlphaMask.data[i / 16 * 5 + i % 16 / 3];
                ASSERT_EQ(composite.pixels.data[i], SaveBlendReference(uint8_t(g), before[i], w)) << i;
            }
            // BMP is lossless: the file holds the composite.
            std::string path = dir.Path("c.bmp");
            ASSERT_EQ(WriteBMP(ui, path.c_str(), doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency),
                      kBMPWritten);
            EXPECT_EQ(ReadAll(path).substr(54), std::string(composite.pixels.data, composite.pixels.data + 48));
        }
    EXPECT_EQ(Bytes(doc.Picture), before);

    // No active mask, or one that does not cover the picture: the picture itself.
    RasterImage copy;
    doc.AlphaMask.Allocate(14);
    EXPECT_EQ(PictureToSave(copy, doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency), &doc.Picture);
    doc.Transparency.MaskActive = 0;
    ASSERT_EQ(CompositeForSave(copy, doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency), kRasterOk);
    EXPECT_EQ(Bytes(copy), before);
}

TEST_F(Save, TheFilterIndexChoosesTheFormatAndASecondSaveWritesTheSameFile)
{
    struct Case {
        int index, mode;
        const char *typed, *written;
        std::string magic;
    } cases[] = {
        {kSaveAsJPEG, kTransparent, "a.png", "a.png", "\xFF\xD8\xFF"},
        {kSaveAsBMP, kTransparent, "b.jpg", "b.jpg", "BM"},
        {kSaveAsPNG, kTransparent, "c.bmp", "c.bmp", "\x89PNG"},
        {kSaveAsJPEG, kBGColorFill, "d", "d.jpg", "\xFF\xD8\xFF"},   // a bare name gets the format's extension
        {kSaveAsBMP, kBGColorFill, "e", "e.bmp", "BM"},
        {kSaveAsPNG, kBGColorFill, "f.", "f.png", "\x89PNG"},
    };
    const std::vector<uint8_t> before = Bytes(doc.Picture);
    doc.Transparency.MaskActive = 1;
    std::set<std::string> expected;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        doc.Transparency.BackgroundMode = c.mode;
        EXPECT_EQ(SaveByFilterIndex(ui, c.index, dir.Path(c.typed).c_str(), doc.Picture, doc.AlphaMask,
                                    doc.Backdrop, doc.Transparency),
                  0);
        const std::string first = ReadAll(dir.Path(c.written));
        EXPECT_EQ(first.substr(0, c.magic.size()), c.magic);
        EXPECT_EQ(SaveByFilterIndex(ui, c.index, dir.Path(c.typed).c_str(), doc.Picture, doc.AlphaMask,
                                    doc.Backdrop, doc.Transparency),
                  0);  // over the first
        EXPECT_EQ(ReadAll(dir.Path(c.written)), first);
        expected.insert(c.written);
    }
    EXPECT_EQ(Bytes(doc.Picture), before);
    EXPECT_EQ(SaveByFilterIndex(ui, 4, dir.Path("g.jpg").c_str(), doc.Picture, doc.AlphaMask, doc.Backdrop,
                                doc.Transparency),
              kSaveNoFormat);
    EXPECT_EQ(Names(), expected);
    EXPECT_TRUE(Recorded().messages.empty());
}

// No writer makes a file of an empty picture: each reports its write
// failure, and neither the target nor a temporary file is left.
TEST_F(Save, AnEmptyPictureIsNeverWritten)
{
    doc.Picture = RasterImage();
    doc.Transparency.MaskActive = 0;
    const struct {
        int index, result;
        const char* message;
    } cases[] = {
        {kSaveAsJPEG, kJPEGWriteFailed, "JPEGファイル作成に失敗しました。WRITE_JPEG"},
        {kSaveAsBMP, kBMPWriteFailed, "ファイルの書き込みに失敗しました。"},
        {kSaveAsPNG, kPNGWriteFailed, "PNGファイル作成に失敗しました。WRITE_PNG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ClearRecordedCalls();
        EXPECT_EQ(SaveByFilterIndex(ui, c.index, dir.Path("empty").c_str(), doc.Picture, doc.AlphaMask,
                                    doc.Backdrop, doc.Transparency),
                  c.result);
        ASSERT_EQ(Recorded().messages.size(), 1u);
        EXPECT_EQ(Recorded().messages[0].text, c.message);
        EXPECT_TRUE(Names().empty());
    }
}

// A saved JPEG, marker by marker: JFIF first, the JPEG standard's example
// quantisation tables scaled to quality 80, one progressive frame and the ten
// scans of the library's progressive script for colour pictures.
TEST_F(Save, ASavedJpegIsProgressiveJfifAtQuality80)
{
    ASSERT_EQ(SaveByFilterIndex(ui, kSaveAsJPEG, dir.Path("q.jpg").c_str(), doc.Picture, doc.AlphaMask,
                                doc.Backdrop, doc.Transparency),
              0);
    const std::string file = ReadAll(dir.Path("q.jpg"));
    auto byte = [&](size_t at) { return at < file.size() ? static_cast<uint8_t>(file[at]) : 0; };
    auto word = [&](size_t at) { return byte(at) << 8 | byte(at + 1); };

    const int luminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                               14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                               18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                               49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    int chrominance[64];
    std::fill(chrominance, chrominance + 64, 99);
    const int corner[4][4] = {{17, 18, 24, 47}, {18, 21, 26, 66}, {24, 26, 56, 99}, {47, 66, 99, 99}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            chrominance[8 * r + c] = corner[r][c];
    // Quality 80 scales by 40 %; the file stores the tables in zigzag order.
    std::vector<int> zigzag;
    for (int sum = 0; sum < 15; ++sum)
        for (int i = 0; i <= sum; ++i) {
            const int row = sum % 2 ? i : sum - i;
            if (row < 8 && sum - row < 8)
                zigzag.push_back(8 * row + sum - row);
        }
    std::string expectedTables[2];
    for (int t = 0; t < 2; ++t)
        for (int k : zigzag)
            expectedTables[t] +=
                static_cast<char>(std::clamp(((t ? chrominance : luminance)[k] * 40 + 50) / 100, 1, 255));

    ASSERT_EQ(word(0), 0xFFD8);
    ASSERT_EQ(word(2), 0xFFE0);
    EXPECT_EQ(file.substr(6, 5), std::string("JFIF\0", 5));
    std::vector<int> frames;
    std::string tables[2];
    int scans = 0;
    size_t at = 2;
    while (at + 4 <= file.size() && byte(at) == 0xFF) {
        const int marker = byte(at + 1);
        if (marker == 0xD9)
            break;
        const size_t length = static_cast<size_t>(word(at + 2));
        if (marker == 0xDB)
            for (size_t t = at + 4; t + 65 <= at + 2 + length; t += 65)
                if (byte(t) < 2)   // 8-bit precision, table 0 or 1
                    tables[byte(t)] = file.substr(t + 1, 64);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            frames.push_back(marker);
        at += 2 + length;
        if (marker == 0xDA) {   // coded data up to the next marker (0xFF 0x00 and restarts are data)
            ++scans;
            while (at + 1 < file.size() &&
                   !(byte(at) == 0xFF && byte(at + 1) != 0 && (byte(at + 1) < 0xD0 || byte(at + 1) > 0xD7)))
                ++at;
        }
    }
    EXPECT_EQ(word(at), 0xFFD9);
    EXPECT_EQ(frames, std::vector<int>{0xC2});
    EXPECT_EQ(scans, 10);
    EXPECT_EQ(tables[0], expectedTables[0]);
    EXPECT_EQ(tables[1], expectedTables[1]);
}

TEST(SavePath, ExtensionOnlyForANameWithoutOne)
{
    struct Case {
        const char* path;
        int index;
        const char* expected;
    } cases[] = {
        {"a", 1, "a.jpg"},     {"a", 2, "a.bmp"}, {"a", 3, "a.png"},           {"a.", 1, "a.jpg"},
        {"a.png", 1, "a.png"}, {"a", 4, "a"},     {"dir.d/a", 3, "dir.d/a.png"}, {"dir/", 1, "dir/"},
#ifdef _WIN32
        {"dir.d\\a", 1, "dir.d\\a.jpg"}, {"c:a", 2, "c:a.bmp"},
        {"x.d\\\x95\x5C", 1, "x.d\\\x95\x5C.jpg"},   // the trail byte 0x5C is no separator
#endif
    };
    for (const Case& c : cases)
        EXPECT_EQ(PathWithExtensionFor(c.path, c.index), c.expected) << c.path << " " << c.index;
}

TEST_F(Save, AFailedSaveLeavesTheTargetAsItWasAndTellsTheUser)
{
    struct Writer {
        int index;
        std::string extension;
        int cannotCreate, writeFailed;
        RecordedMessage created, written;
    } writers[] = {
        {kSaveAsJPEG, "jpg", kJPEGCannotCreate, kJPEGWriteFailed, {kWindow, "ファイルオープンに失敗しました。WRITE_JPEG", "失敗"},
         {kWindow, "JPEGファイル作成に失敗しました。WRITE_JPEG", "失敗"}},
        {kSaveAsBMP, "bmp", kBMPCannotCreate, kBMPWriteFailed, {kWindow, "ファイル生成に失敗しました。", "Error"},
         {kWindow, "ファイルの書き込みに失敗しました。", "Error"}},
        {kSaveAsPNG, "png", kPNGCannotCreate, kPNGWriteFailed, {kWindow, "ファイルオープンに失敗しました。WRITE_PNG", "失敗"},
         {kWindow, "PNGファイル作成に失敗しました。WRITE_PNG", "失敗"}},
    };
    std::set<std::string> expected;
    for (const Writer& w : writers) {
        SCOPED_TRACE(w.extension);
        SetUp();
        const std::string target = dir.Write("t." + w.extension, "the earlier file");
        const std::string folder = dir.Path("folder." + w.extension);
        std::filesystem::create_directory(folder);
        expected.insert({"t." + w.extension, "folder." + w.extension});
        struct Attempt {
            std::string path;
            int result;
            RecordedMessage message;
        } attempts[] = {
            {dir.Path("missing/x"), w.cannotCreate, w.created},   // no such folder
            {folder, w.cannotCreate, w.created},                  // a folder, as opening it would be refused
            {target, w.writeFailed, w.written},                   // writing fails (below)
        };
        for (const Attempt& a : attempts) {
            ClearRecordedCalls();
            if (&a == &attempts[2]) {   // the picture claims rows it does not hold
                doc.Picture.Resize(0, 0);
                doc.Picture.width = doc.Picture.height = 5;
                doc.Picture.stride = 16;
            }
            EXPECT_EQ(SaveByFilterIndex(ui, w.index, a.path.c_str(), doc.Picture, doc.AlphaMask, doc.Backdrop,
                                        doc.Transparency),
                      a.result)
                << a.path;
            EXPECT_EQ(Recorded().messages, std::vector<RecordedMessage>{a.message}) << a.path;
        }
        EXPECT_EQ(ReadAll(target), "the earlier file");
        EXPECT_TRUE(std::filesystem::is_directory(folder));
    }
    EXPECT_EQ(Names(), expected);   // no temporary file is left
}

// Every (mask, backdrop, picture) triple of the whole composite against the
// double-precision definition, over white and over solid backdrops whose
// three channels differ.
TEST_F(Save, CompositeGivesTheArithmeticForEveryByteTriple)
{
    doc.Picture.ResizeAndFill(256, 256, 0);
    doc.AlphaMask.Allocate(256 * 256);
    for (int w = 0; w < 256; ++w)
        for (int f = 0; f < 256; ++f) {
            std::memset(doc.Picture.pixels.data + doc.Picture.Offset(f, w), f, 3);
            doc.AlphaMask.data[w * 256 + f] = static_cast<uint8_t>(w);
        }
    doc.Picture.FillHeaders();
    doc.Transparency.MaskActive = 1;
    for (int g = -1; g < 256; ++g) {   // -1: over white
        doc.Transparency.BackgroundMode = g < 0 ? kTransparent : kBGColorFill;
        const uint8_t channel[3] = {uint8_t(g), uint8_t(g + 85), uint8_t(g + 170)};
        doc.Transparency.BGColor = channel[0] << 16 | channel[1] << 8 | channel[2];
        BuildBackdrop(doc.Backdrop, 256, 256, kBGColorFill, doc.Transparency.BGColor);
        RasterImage composite;
        ASSERT_EQ(CompositeForSave(composite, doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency), kRasterOk);
        for (int w = 0; w < 256; ++w)
            for (int f = 0; f < 256; ++f)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(composite.pixels.data[composite.Offset(f, w) + c],
                              SaveBlendReference(g < 0 ? 255 : channel[c], uint8_t(f), uint8_t(w)))
                        << g << " " << f << " " << w << " " << c;
    }
}
