#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/document.h"
#include "colour/transparency_state.h"
#include "formats/standard/bmp_codec.h"
#include "formats/standard/save_pipeline.h"
#include "image/little_endian.h"
#include "tests/support/recording_platform.h"
#include "tests/support/temp_files.h"

namespace {

WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0x3456);
RecordingFrontEnd ui(kWindow);

struct BmpLayout {
    int32_t width = 3, height = 2;
    uint16_t bits = 24;
    uint32_t compression = 0, infoSize = 40;
    int32_t gap = 0;            // bytes between the headers and the pixels
    int32_t rowsSupplied = -1;  // -1: all
    uint32_t fileSize = 0;      // 0: the true size
};

// A BMP file whose pixel byte i of file row r is 7r + i.
std::string MakeBmp(const BmpLayout& s)
{
    const int64_t stride = (3 * int64_t{s.width} + 3) / 4 * 4;
    const int64_t rows = s.rowsSupplied >= 0 ? s.rowsSupplied : s.height < 0 ? -int64_t{s.height} : s.height;
    const uint32_t offset = 14 + s.infoSize + s.gap;
    std::string b(offset < 54 ? 54 : offset, '\x77');   // filler after the 40 bytes
    uint8_t* p = reinterpret_cast<uint8_t*>(&b[0]);
    std::memset(p, 0, 54);
    p[0] = 'B';
    p[1] = 'M';
    StoreU32LE(p + 2, s.fileSize ? s.fileSize : uint32_t(offset + stride * rows));
    StoreU32LE(p + 10, offset);
    StoreU32LE(p + 14, s.infoSize);
    StoreI32LE(p + 18, s.width);
    StoreI32LE(p + 22, s.height);
    StoreU16LE(p + 26, 1);
    StoreU16LE(p + 28, s.bits);
    StoreU32LE(p + 30, s.compression);
    StoreI32LE(p + 38, 2835);   // a resolution, kept as read
    for (int64_t i = 0; rows * stride < (1 << 20) && i < rows * stride; ++i)
        b += static_cast<char>(7 * (i / stride) + i % stride);
    return b;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Bmp : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearRecordedCalls();
        doc.Transparency = TransparencyState();
        doc.Picture.ResizeAndFill(2, 2, 0x55);
        doc.Picture.FillHeaders();
    }
    Document doc;
    TempDir dir;
};

}  // namespace

TEST_F(Bmp, WrittenFilesReadBackWithIdenticalHeadersAndPadding)
{
    for (int width : {1, 4, 5}) {
        SCOPED_TRACE(width);
        doc.Picture.Resize(width, 3);
        for (int32_t i = 0; i < doc.Picture.pixels.length; ++i)
            doc.Picture.pixels.data[i] = static_cast<uint8_t>(31 * i + 1);   // padding included
        doc.Picture.FillHeaders();
        std::string path = dir.Path("w.bmp");
        ASSERT_EQ(WriteBMP(ui, path.c_str(), doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency),
                  kBMPWritten);
        EXPECT_EQ(doc.Picture.stride, width == 5 ? 16 : width == 4 ? 12 : 4);
        RasterImage back;
        ASSERT_EQ(ReadBMP(path.c_str(), back), kBMPRead);
        EXPECT_STREQ(back.path, path.c_str());
        // The file is the picture's own headers and block; reading gives both back.
        uint8_t headers[2][54];
        StoreFileHeader(doc.Picture.fileHeader, headers[0]);
        StoreInfoHeader(doc.Picture.info.bmiHeader, headers[0] + 14);
        StoreFileHeader(back.fileHeader, headers[1]);
        StoreInfoHeader(back.info.bmiHeader, headers[1] + 14);
        const std::string block(doc.Picture.pixels.data, doc.Picture.pixels.data + doc.Picture.pixels.length);
        EXPECT_EQ(ReadAll(path), std::string(headers[0], headers[0] + 54) + block);
        EXPECT_EQ(0, std::memcmp(headers[0], headers[1], 54));
        EXPECT_EQ(std::string(back.pixels.data, back.pixels.data + back.pixels.length), block);
    }
    EXPECT_TRUE(Recorded().messages.empty());
}

TEST_F(Bmp, ReadableLayouts)
{
    struct Case {
        const char* what;
        BmpLayout layout;
        int rowsInFile;
    } cases[] = {
        {"plain", {}, 2}, {"top-down", {3, -2}, 2}, {"V5 header", {3, 2, 24, 0, 124}, 2},
        {"V4 header and a gap", {3, 2, 24, 0, 108, 16}, 2}, {"recorded size below 14", {3, 2, 24, 0, 40, 0, -1, 5}, 2},
        {"one row short", {3, 2, 24, 0, 40, 0, 1}, 1}, {"no rows, top-down", {3, -2, 24, 0, 40, 0, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = dir.Write("l.bmp", MakeBmp(c.layout));
        ASSERT_EQ(LoadBMP(ui, path.c_str(), doc.Picture), 0);
        ASSERT_TRUE(doc.Picture.width == 3 && doc.Picture.height == 2 && doc.Picture.stride == 12);
        const BitmapInfoHeader& h = doc.Picture.info.bmiHeader;
        EXPECT_TRUE(h.biHeight == 2 && h.biSize == 40 && h.biXPelsPerMeter == 2835);   // bottom-up, as kept
        // A top-down file's first row is the top (the last memory row).
        for (int row = 0; row < 2; ++row) {
            const int fileRow = c.layout.height < 0 ? 1 - row : row;
            for (int i = 0; i < 12; ++i)
                ASSERT_EQ(doc.Picture.pixels.data[row * 12 + i], fileRow < c.rowsInFile ? 7 * fileRow + i : 0) << row;
        }
    }
    EXPECT_TRUE(Recorded().messages.empty());
}

TEST_F(Bmp, RefusedFilesKeepThePictureAndShowTheirMessage)
{
    const RecordedMessage not24{kWindow, "BMP画像がフルカラー（24ビット）ではありません。（２４ビットのみ対応しております。）",
                                "エラー"};
    const RecordedMessage failed{kWindow, "BMPファイルオープンに失敗しました。", "失敗"};
    const std::string plain = MakeBmp({});
    struct Case {
        const char* what;
        std::string bytes;
        int result;
    } cases[] = {
        {"8-bit", MakeBmp({3, 2, 8}), kBMPNot24Bit}, {"32-bit", MakeBmp({3, 2, 32}), kBMPNot24Bit},
        {"run-length", MakeBmp({3, 2, 8, 1}), kBMPCompressed},   // compression is tested first
        {"bit fields", MakeBmp({3, 2, 32, 3}), kBMPCompressed}, {"width 0", MakeBmp({0, 2}), kBMPBadSize},
        {"height 0", MakeBmp({3, 0}), kBMPBadSize}, {"negative width", MakeBmp({-3, 2}), kBMPBadSize},
        {"lowest height", MakeBmp({3, INT32_MIN}), kBMPBadSize},
        {"beyond the limit", MakeBmp({100000, 100000}), kBMPBadSize},
        {"core header", MakeBmp({3, 2, 24, 0, 12}), kBMPInfoHeaderFailed},
        {"short file header", plain.substr(0, 13), kBMPFileHeaderFailed},
        {"short info header", plain.substr(0, 53), kBMPInfoHeaderFailed}, {"not BM", "MB" + plain.substr(2), kBMPNotBM},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearRecordedCalls();
        std::string path = dir.Write("x.bmp", c.bytes);
        EXPECT_EQ(ReadBMP(path.c_str(), doc.Picture), c.result);
        EXPECT_EQ(LoadBMP(ui, path.c_str(), doc.Picture), -1);
        EXPECT_EQ(Recorded().messages, std::vector<RecordedMessage>{c.result == kBMPNot24Bit ? not24 : failed});
        EXPECT_TRUE(doc.Picture.width == 2 && doc.Picture.info.bmiHeader.biWidth == 2 &&
                    doc.Picture.pixels.data[0] == 0x55);
    }
    EXPECT_EQ(ReadBMP(dir.Path("missing.bmp").c_str(), doc.Picture), kBMPOpenFailed);
}

TEST_F(Bmp, NameAndContentTest)
{
    const std::string bmp = MakeBmp({});
    for (const char* name : {"a.bmp", "b.BMP", "c.bMp"})
        EXPECT_EQ(IsBMPFile(dir.Write(name, bmp).c_str()), 1) << name;
    EXPECT_EQ(IsBMPFile(dir.Write("d.dib", bmp).c_str()), 0);
    EXPECT_EQ(IsBMPFile(dir.Write("e.bmp", "text").c_str()), 0);
    EXPECT_EQ(IsBMPFile(dir.Write("f.bmp", "B").c_str()), 0);
    EXPECT_EQ(IsBMPFile(dir.Path("missing.bmp").c_str()), -1);
}
