#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/open_dispatch.h"
#include "app/open_readers.h"
#include "app/view_layout.h"
#include "colour/transparency_state.h"
#include "formats/standard/png_codec.h"
#include "formats/standard/save_pipeline.h"
#include "tests/support/recording_platform.h"
#include "tests/support/temp_files.h"

namespace {

WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0x2345);
RecordingFrontEnd ui(kWindow);

// Channel k of pixel (x, y), y counted from the top.
uint8_t Sample(int x, int y, int k) { return static_cast<uint8_t>(17 * x + 61 * y + 97 * k + 3); }

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes a PNG through libpng itself: Sample values at 8 bits, zeros in
// palette files and other depths.
std::string WritePng(const std::string& path, int width, int height, int type, int depth = 8, bool adam7 = false)
{
    const int channels = type == PNG_COLOR_TYPE_PALETTE ? 1 : (type & 2 ? 3 : 1) + (type & 4 ? 1 : 0);
    const size_t rowBytes = (size_t(width) * channels * depth + 7) / 8;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, depth, type, adam7 ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[2] = {{0, 0, 0}, {255, 255, 255}};
    if (type == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, palette, 2);
    png_write_info(png, info);
    std::vector<uint8_t> row(rowBytes, 0);
    for (int pass = png_set_interlace_handling(png); pass > 0; --pass)
        for (int y = 0; y < height; ++y) {
            for (int i = 0; depth == 8 && type != PNG_COLOR_TYPE_PALETTE && i < width * channels; ++i)
                row[i] = Sample(i / channels, y, i % channels);
            png_write_row(png, row.data());
        }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return path;
}

// A chunk with its length and CRC.
std::string Chunk(const std::string& type, const std::string& data)
{
    auto bigEndian = [](uLong v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    const std::string body = type + data;
    return bigEndian(data.size()) + body +
           bigEndian(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size()));
}

std::string Flipped(std::string bytes, size_t at)
{
    bytes[at] = char(bytes[at] ^ 0x5A);
    return bytes;
}

// The deflate output for in, ended by flush.
std::string Deflate(z_stream& z, const std::string& in, int flush)
{
    std::string out;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    char buffer[4096];
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        deflate(&z, flush);
        out.append(buffer, sizeof buffer - z.avail_out);
    } while (z.avail_out == 0);
    return out;
}

class Png : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearRecordedCalls();
        doc.Transparency = TransparencyState();
        doc.Picture.ResizeAndFill(3, 2, 0x55);
        doc.Picture.FillHeaders();
        doc.AlphaMask.AllocateFilled(6, 0x33);
    }
    void ExpectNothingChanged() const
    {
        EXPECT_TRUE(doc.Picture.width == 3 && doc.Picture.height == 2 && doc.Picture.info.bmiHeader.biWidth == 3);
        EXPECT_EQ(doc.Picture.pixels.data[23], 0x55);
        ASSERT_EQ(doc.AlphaMask.length, 6);
        EXPECT_EQ(doc.AlphaMask.data[5], 0x33);
        EXPECT_EQ(doc.Transparency.MaskActive, 0);
    }
    Document doc;
    TempDir dir;
};

}  // namespace

TEST_F(Png, AcceptedKindsReadBottomUpWithTheirMask)
{
    for (int type : {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB_ALPHA})
        for (int width : {1, 3, 4})
            for (bool adam7 : {false, true}) {
                SCOPED_TRACE(testing::Message() << "type " << type << " width " << width << " adam7 " << adam7);
                const bool colour = type & PNG_COLOR_MASK_COLOR, alpha = type & PNG_COLOR_MASK_ALPHA;
                doc.Transparency.MaskActive = 0;
                std::string path = WritePng(dir.Path("p.jpg"), width, 5, type, 8, adam7);   // content decides
                ASSERT_EQ(OpenStandardImage(ui, path.c_str(), doc, doc.Picture), 0);
                EXPECT_STREQ(doc.Picture.path, path.c_str());
                ASSERT_TRUE(doc.Picture.width == width && doc.Picture.height == 5);
                ASSERT_EQ(doc.AlphaMask.length, width * 5);
                EXPECT_EQ(doc.Transparency.MaskActive, alpha ? 1 : 0);
                for (int row = 0; row < 5; ++row)
                    for (int i = 0; i < doc.Picture.stride; ++i) {
                        const int x = i / 3, y = 4 - row;   // memory row 0 is the bottom
                        const int k = colour ? 2 - i % 3 : 0;
                        ASSERT_EQ(doc.Picture.pixels.data[row * doc.Picture.stride + i],
                                  x < width ? Sample(x, y, k) : 0)
                            << i;
                        if (i % 3 == 0 && x < width) {
                            ASSERT_EQ(doc.AlphaMask.data[row * width + x], alpha ? Sample(x, y, colour ? 3 : 1) : 255);
                        }
                    }
            }
    EXPECT_TRUE(Recorded().messages.empty());
}

TEST_F(Png, RefusedFilesKeepThePictureAndShowTheirMessage)
{
    const std::string depth = "PNGファイルの色深度が8bit以外です。本ソフトではPNGファイルは色深度8bitのみ対応です。";
    const std::string palette = "申し訳有りませんが、本ソフトはカラーパレット付きPNGファイルに対応していません。";
    struct Case {
        std::string path;
        int result;
        std::string text;
    } cases[] = {
        {WritePng(dir.Path("p8.png"), 4, 3, PNG_COLOR_TYPE_PALETTE, 8), kPNGPalette, palette},
        {WritePng(dir.Path("p2.png"), 4, 3, PNG_COLOR_TYPE_PALETTE, 2), kPNGPalette, palette},   // before the depth
        {WritePng(dir.Path("c16.png"), 4, 3, PNG_COLOR_TYPE_RGB_ALPHA, 16), kPNGBitDepth, depth},
        {WritePng(dir.Path("g4.png"), 4, 3, PNG_COLOR_TYPE_GRAY, 4), kPNGBitDepth, depth},
        {dir.Write("text.png", "plain text, long enough"), kPNGNotPNG, "本ソフトで扱えるPNGファイルではありません。"},
        {dir.Path("missing.png"), kPNGCannotOpen, "PNGファイルのオープンに失敗しました。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ClearRecordedCalls();
        EXPECT_EQ(ReadPNG(c.path.c_str(), doc.Picture, &doc.AlphaMask), c.result);
        EXPECT_EQ(LoadPNG(ui, c.path.c_str(), doc, doc.Picture), -1);
        EXPECT_EQ(Recorded().messages, (std::vector<RecordedMessage>{{kWindow, c.text, "失敗"}}));
        ExpectNothingChanged();
    }
    EXPECT_EQ(IsPNGFile(dir.Write("short.png", std::string("\x89PNG\r\n\x1a", 7)).c_str()), 0);
    EXPECT_EQ(IsPNGFile(dir.Write("empty.png", "").c_str()), 0);
}

TEST_F(Png, CorruptAndTruncatedFilesChangeNothing)
{
    const std::string good = ReadAll(WritePng(dir.Path("good.png"), 9, 7, PNG_COLOR_TYPE_RGB_ALPHA));
    const size_t idat = good.find("IDAT");
    auto flipped = [&](size_t at) { return good.substr(0, at) + char(good[at] ^ 0x5A) + good.substr(at + 1); };
    // Cut in the header and in the image data; CRC errors in both.
    for (const std::string& bytes : {good.substr(0, 8), good.substr(0, 20), good.substr(0, idat + 20), flipped(16),
                                     flipped(idat + 9)}) {
        SCOPED_TRACE(bytes.size());
        ClearRecordedCalls();
        std::string path = dir.Write("bad.png", bytes);
        EXPECT_EQ(ReadPNG(path.c_str(), doc.Picture, &doc.AlphaMask), kPNGCorrupt);
        EXPECT_EQ(LoadPNG(ui, path.c_str(), doc, doc.Picture), -1);
        EXPECT_EQ(Recorded().messages,
                  (std::vector<RecordedMessage>{{kWindow, "PNGファイルのデータが壊れています。", "失敗"}}));
        ExpectNothingChanged();
    }
}

TEST_F(Png, TransparentSaveKeepsColoursAndAlphaColourFillEqualsTheView)
{
    ASSERT_EQ(
        LoadPNG(ui, WritePng(dir.Path("rgba.png"), 5, 4, PNG_COLOR_TYPE_RGB_ALPHA).c_str(), doc, doc.Picture), 0);
    const std::string saved = dir.Path("saved.png");
    ASSERT_EQ(WRITE_PNG(ui, saved.c_str(), doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency),
              kPNGWritten);
    EXPECT_EQ(ReadAll(saved), ReadAll(dir.Path("rgba.png")));   // libpng's default filters and level
    RasterImage back;
    ByteBuffer mask;
    ASSERT_EQ(ReadPNG(saved.c_str(), back, &mask), kPNGRead);
    EXPECT_EQ(0, std::memcmp(back.pixels.data, doc.Picture.pixels.data, 64));
    EXPECT_EQ(0, std::memcmp(mask.data, doc.AlphaMask.data, 20));

    // Every weight (one a column) over one colour, with picture bytes below,
    // equal to and above the background's, 0 and 255 among them.
    doc.Picture.ResizeAndFill(256, 3, 0);
    doc.AlphaMask.Allocate(256 * 3);
    for (int i = 0; i < 256 * 3; ++i) {
        uint8_t* px = doc.Picture.pixels.data + 3 * i;
        px[0] = static_cast<uint8_t>(i < 256 ? 0 : 3 * i);
        px[1] = static_cast<uint8_t>(255 - i);
        px[2] = static_cast<uint8_t>(i >= 512 ? 255 : i);
        doc.AlphaMask.data[i] = static_cast<uint8_t>(i);
    }
    doc.Picture.FillHeaders();
    doc.Transparency.BackgroundMode = kBGColorFill;
    ASSERT_EQ(BuildBackdrop(doc.Backdrop, 256, 3, kBGColorFill, 0x00C81E64), kRasterOk);
    RasterImage view;
    ASSERT_EQ(ComposeView(view, doc.Picture, doc.Backdrop, doc.AlphaMask, 1), kRasterOk);
    ASSERT_EQ(WRITE_PNG(ui, saved.c_str(), doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency),
              kPNGWritten);
    EXPECT_EQ(ReadAll(saved)[25], PNG_COLOR_TYPE_RGB);
    ASSERT_EQ(ReadPNG(saved.c_str(), back, nullptr), kPNGRead);
    ASSERT_EQ(back.pixels.length, view.pixels.length);
    for (int i = 0; i < view.pixels.length; ++i) {
        const int f = doc.Picture.pixels.data[i], g = doc.Backdrop.pixels.data[i], fullWeight = i % 768 / 3 == 255;
        ASSERT_EQ(back.pixels.data[i], fullWeight && g > f && f > 0 ? f - 1 : view.pixels.data[i]) << i;
    }
    EXPECT_EQ(doc.Picture.pixels.data[3 * 255 + 1], 0);   // the picture itself is not blended
    EXPECT_TRUE(Recorded().messages.empty());
}

// Reading ends with the chunk that completes the last row, its CRC checked:
// image data past the rows is never inflated, so its damage, or a stream
// that does not end, no longer refuses a picture whose rows are all there.
TEST_F(Png, ReadingEndsWithTheChunkThatCompletesTheRows)
{
    for (bool adam7 : {false, true}) {
        SCOPED_TRACE(adam7 ? "adam7" : "plain");
        const std::string goodPath = WritePng(dir.Path("good.png"), 9, 7, PNG_COLOR_TYPE_RGB_ALPHA, 8, adam7);
        RasterImage expected;
        ByteBuffer expectedMask;
        ASSERT_EQ(ReadPNG(goodPath.c_str(), expected, &expectedMask), kPNGRead);
        // The filtered rows, deflated again in three flushed pieces: all but
        // the last byte, the last byte, then 64 KiB of zeros past the rows.
        const std::string good = ReadAll(goodPath);
        const size_t idat = good.find("IDAT");
        const std::string head = good.substr(0, idat - 4), end = Chunk("IEND", "");
        std::string raw(1 << 16, '\0');
        uLongf rawLength = raw.size();
        const size_t idatLength = static_cast<uint8_t>(good[idat - 2]) << 8 | static_cast<uint8_t>(good[idat - 1]);
        ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(&raw[0]), &rawLength,
                             reinterpret_cast<const Bytef*>(good.data() + idat + 4), idatLength),
                  Z_OK);
        raw.resize(rawLength);
        z_stream z{};
        ASSERT_EQ(deflateInit(&z, 9), Z_OK);
        const std::string most = Deflate(z, raw.substr(0, raw.size() - 1), Z_FULL_FLUSH);
        const std::string last = Deflate(z, raw.substr(raw.size() - 1), Z_FULL_FLUSH);
        const std::string surplus = Deflate(z, std::string(1 << 16, '\0'), Z_FINISH);
        deflateEnd(&z);
        const std::string whole = Chunk("IDAT", most + last + surplus);
        const struct {
            std::string bytes;
            int result;
        } cases[] = {
            {head + whole + end, kPNGRead},
            {head + Chunk("IDAT", most) + Chunk("IDAT", last + surplus) + end, kPNGRead},
            {head + Chunk("IDAT", most + last) + Flipped(Chunk("IDAT", surplus), 10) + end, kPNGRead},
            {head + Chunk("IDAT", most + last) + end, kPNGRead},   // the stream never ends
            {head + Chunk("IDAT", most) + Flipped(Chunk("IDAT", last), 8) + end, kPNGCorrupt},
            {head + Flipped(whole, whole.size() - 5) + end, kPNGCorrupt},   // past the rows, same chunk
            {head + Chunk("IDAT", most) + end, kPNGCorrupt},
            {head + Chunk("IDAT", most + last).substr(0, 8 + most.size() + last.size()), kPNGCorrupt},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(&c - cases);
            RasterImage picture;
            ByteBuffer mask;
            ASSERT_EQ(ReadPNG(dir.Write("case.png", c.bytes).c_str(), picture, &mask), c.result);
            if (c.result == kPNGRead) {
                ASSERT_EQ(picture.pixels.length, expected.pixels.length);
                EXPECT_EQ(0, std::memcmp(picture.pixels.data, expected.pixels.data, expected.pixels.length));
                ASSERT_EQ(mask.length, expectedMask.length);
                EXPECT_EQ(0, std::memcmp(mask.data, expectedMask.data, mask.length));
            }
        }
    }
}
