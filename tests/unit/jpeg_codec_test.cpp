#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "formats/standard/jpeg_codec.h"
#include "image/area_reduce.h"
#include "tests/support/recording_platform.h"
#include "tests/support/temp_files.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}

// A picture whose top half is red and bottom half blue (solid areas survive
// JPEG with small errors).
void TwoBands(RasterImage& p, int width, int height)
{
    p.ResizeAndFill(width, height, 0x77);   // padding 0x77 so its copying would show
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) {
            uint8_t* px = p.pixels.data + p.Offset(x, row);
            bool top = row >= height / 2;   // rows count from the bottom
            px[0] = top ? 0 : 255;
            px[1] = 0;
            px[2] = top ? 255 : 0;
        }
    p.FillHeaders();
}

std::string Encode(const TempDir& dir, const RasterImage& p, bool progressive, const char* name = "e.jpg")
{
    std::string path = dir.Path(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_EQ(EncodeJPEG(p, 80, progressive ? 1 : 0, f), 1);
    std::fclose(f);
    return path;
}

// Writes a JPEG straight through the library in another colour space.
std::string EncodeRaw(const TempDir& dir, const char* name, int width, int height, int components,
                      J_COLOR_SPACE in, J_COLOR_SPACE stored, const std::vector<uint8_t>& pixel)
{
    std::string path = dir.Path(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = width;
    c.image_height = height;
    c.input_components = components;
    c.in_color_space = in;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, stored);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row;
    for (int x = 0; x < width; ++x)
        row.insert(row.end(), pixel.begin(), pixel.end());
    JSAMPROW rows[1] = {row.data()};
    while (c.next_scanline < c.image_height)
        jpeg_write_scanlines(&c, rows, 1);
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
    return path;
}

void ExpectNear(const uint8_t* px, int b, int g, int r, int tolerance = 8)
{
    EXPECT_NEAR(px[0], b, tolerance);
    EXPECT_NEAR(px[1], g, tolerance);
    EXPECT_NEAR(px[2], r, tolerance);
}

}  // namespace

TEST(Jpeg, RoundTripKeepsSizeOrderAndZeroPadding)
{
    TempDir dir;
    for (int width : {1, 2, 3, 4, 5, 17}) {
        RasterImage source;
        TwoBands(source, width, 16);
        std::string path = Encode(dir, source, true);
        RasterImage decoded;
        ASSERT_EQ(ReadJPEG(path.c_str(), decoded), 1) << width;
        EXPECT_EQ(decoded.width, width);
        EXPECT_EQ(decoded.height, 16);
        EXPECT_EQ(decoded.stride, (3 * width + 3) / 4 * 4);
        EXPECT_EQ(decoded.fileHeader.bfSize, uint32_t(decoded.stride * 16 + 54));
        EXPECT_EQ(decoded.info.bmiHeader.biHeight, 16);
        ExpectNear(decoded.pixels.data + decoded.Offset(0, 15), 0, 0, 255);   // top row stays on top
        ExpectNear(decoded.pixels.data + decoded.Offset(width - 1, 0), 255, 0, 0);
        for (int row = 0; row < 16; ++row)
            for (int pad = 3 * width; pad < decoded.stride; ++pad)
                ASSERT_EQ(decoded.pixels.data[row * decoded.stride + pad], 0) << width << " row " << row;
    }
}

TEST(Jpeg, EncodedFilesAreJfifAndProgressiveOnRequest)
{
    TempDir dir;
    RasterImage p;
    TwoBands(p, 32, 32);
    std::string progressive = ReadAll(Encode(dir, p, true, "p.jpg"));
    std::string baseline = ReadAll(Encode(dir, p, false, "b.jpg"));
    for (const std::string& bytes : {progressive, baseline}) {
        ASSERT_GT(bytes.size(), 20u);
        EXPECT_EQ(bytes.substr(0, 4), "\xFF\xD8\xFF\xE0");
        EXPECT_EQ(bytes.substr(6, 5), std::string("JFIF\0", 5));
    }
    EXPECT_NE(progressive.find("\xFF\xC2"), std::string::npos);
    EXPECT_EQ(progressive.find("\xFF\xC0"), std::string::npos);
    EXPECT_NE(baseline.find("\xFF\xC0"), std::string::npos);
}

TEST(Jpeg, GreyscaleAndCmykOpenAsColour)
{
    TempDir dir;
    RasterImage p;
    std::string grey = EncodeRaw(dir, "grey.jpg", 5, 3, 1, JCS_GRAYSCALE, JCS_GRAYSCALE, {100});
    ASSERT_EQ(ReadJPEG(grey.c_str(), p), 1);
    EXPECT_EQ(p.width, 5);
    EXPECT_EQ(p.stride, 16);
    ExpectNear(p.pixels.data + p.Offset(4, 2), 100, 100, 100, 2);
    EXPECT_EQ(p.pixels.data[15], 0);

    // Adobe stores CMYK inverted: red is C 255, M 0, Y 0, K 255 as stored bytes.
    for (J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
        std::string path = EncodeRaw(dir, "cmyk.jpg", 3, 2, 4, JCS_CMYK, stored, {255, 0, 0, 255});
        ASSERT_EQ(ReadJPEG(path.c_str(), p), 1) << stored;
        EXPECT_EQ(p.width, 3);
        EXPECT_EQ(p.stride, 12);
        ExpectNear(p.pixels.data + p.Offset(2, 1), 0, 0, 255, 10);
    }
}

TEST(Jpeg, TruncatedStreamsStillDecode)
{
    TempDir dir;
    RasterImage p;
    TwoBands(p, 256, 256);
    for (int i = 0; i < p.pixels.length; i += 7)   // texture, so that the scan data dominates the file
        p.pixels.data[i] = static_cast<uint8_t>(i * 37);
    std::string bytes = ReadAll(Encode(dir, p, false));
    std::string cut = dir.Write("cut.jpg", bytes.substr(0, bytes.size() / 2));
    RasterImage decoded;
    EXPECT_EQ(ReadJPEG(cut.c_str(), decoded), 1);
    EXPECT_EQ(decoded.width, 256);
    EXPECT_EQ(decoded.height, 256);
}

TEST(Jpeg, BadStreamsLeaveThePictureUnchanged)
{
    TempDir dir;
    RasterImage good;
    TwoBands(good, 8, 8);
    std::string bytes = ReadAll(Encode(dir, good, false));
    const std::string streams[] = {"", "not a jpeg at all", std::string("\xFF\xD8", 2),
                                   std::string("\xFF\xD8\xFF\xC0\x00\x02", 6), bytes.substr(2)};
    for (const std::string& s : streams) {
        std::string path = dir.Write("bad.jpg", s);
        RasterImage p;
        p.ResizeAndFill(2, 2, 0x42);
        EXPECT_EQ(ReadJPEG(path.c_str(), p), 0) << s.size();
        EXPECT_EQ(p.width, 2);
        EXPECT_EQ(p.pixels.data[0], 0x42);
    }
    RasterImage p;
    EXPECT_EQ(ReadJPEG(dir.Path("missing.jpg").c_str(), p), -1);
}

TEST(Jpeg, OversizedHeadersAreRefusedBeforeDecoding)
{
    TempDir dir;
    RasterImage small;
    TwoBands(small, 8, 8);
    std::string bytes = ReadAll(Encode(dir, small, false));
    size_t sof = bytes.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    // Height and width fields of the frame header: 60000 x 60000.
    bytes[sof + 5] = '\xEA';
    bytes[sof + 6] = '\x60';
    bytes[sof + 7] = '\xEA';
    bytes[sof + 8] = '\x60';
    std::string path = dir.Write("huge.jpg", bytes);
    RasterImage p;
    p.ResizeAndFill(1, 1, 9);
    EXPECT_EQ(ReadJPEG(path.c_str(), p), 0);
    EXPECT_EQ(p.width, 1);
}

// A progressive grey 64 x 64 JPEG of `scans` AC scans, each a single
// end-of-band run over all 64 blocks (as regression/jpeg/many_scans.jpg).
std::string ScansOnly(int scans)
{
    std::string s = std::string("\xFF\xD8\xFF\xDB\x00\x43\x00", 7) + std::string(64, '\x01');
    s += std::string("\xFF\xC2\x00\x0B\x08\x00\x40\x00\x40\x01\x01\x11\x00", 13);
    s += std::string("\xFF\xC4\x00\x14\x10\x01", 6) + std::string(15, '\0') + "\x60";   // one code: EOB6
    for (int i = 0; i < scans; ++i)   // code 0, six 0 bits: a run of 64; a 1 bit pads
        s += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x01\x3F\x00\x01", 11);
    return s + "\xFF\xD9";
}

// Each scan costs a pass over the whole picture: past 100 scans a stream is
// refused.
TEST(Jpeg, StreamsOfMoreThan100ScansAreRefused)
{
    TempDir dir;
    RasterImage p;
    EXPECT_EQ(ReadJPEG(dir.Write("100.jpg", ScansOnly(100)).c_str(), p), 1);
    EXPECT_EQ(p.width, 64);
    p.ResizeAndFill(2, 2, 0x42);
    EXPECT_EQ(ReadJPEG(dir.Write("101.jpg", ScansOnly(101)).c_str(), p), 0);
    EXPECT_EQ(p.width, 2);
    EXPECT_EQ(p.pixels.data[0], 0x42);
}

#ifdef __GLIBC__
// The bytes of a string through a FILE*, with a read error (EIO) or the end
// of the file after `until` bytes.
struct FailingReads {
    std::string bytes;
    size_t at, until;
    bool error;
};

ssize_t ReadFailing(void* cookie, char* out, size_t size)
{
    auto* r = static_cast<FailingReads*>(cookie);
    if (r->at >= r->until) {
        if (!r->error)
            return 0;
        errno = EIO;
        return -1;
    }
    const size_t n = std::min(size, r->until - r->at);
    std::memcpy(out, r->bytes.data() + r->at, n);
    r->at += n;
    return static_cast<ssize_t>(n);
}

// The library's file source reads a short read as the end of the file and
// decodes the rest of the picture as grey: right for a cut file, but a read
// error is a failure.
TEST(Jpeg, ReadErrorsFailWhereTheEndOfTheFileDecodes)
{
    TempDir dir;
    RasterImage p;
    TwoBands(p, 64, 64);
    for (int i = 0; i < p.pixels.length; i += 5)
        p.pixels.data[i] = static_cast<uint8_t>(i * 37);
    const std::string bytes = ReadAll(Encode(dir, p, false));
    for (bool error : {false, true}) {
        FailingReads reads{bytes, 0, bytes.size() / 2, error};
        std::FILE* f = fopencookie(&reads, "rb", cookie_io_functions_t{ReadFailing, nullptr, nullptr, nullptr});
        ASSERT_NE(f, nullptr);
        RasterImage decoded;
        decoded.ResizeAndFill(2, 2, 0x42);
        ByteSource in(f);
        EXPECT_EQ(DecodeJPEG(in, decoded), error ? 0 : 1) << error;
        EXPECT_EQ(decoded.width, error ? 2 : 64);
        std::fclose(f);
    }
}
#endif

TEST(Jpeg, DecodesFromTheCurrentFilePosition)
{
    TempDir dir;
    RasterImage p;
    TwoBands(p, 10, 6);
    std::string jpeg = ReadAll(Encode(dir, p, true));
    std::string trailer(9000, 'T');   // more than one read-ahead block
    trailer[0] = 'X';
    std::string path = dir.Write("embedded.bin", "PREFIX" + jpeg + trailer);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 6, SEEK_SET);
    RasterImage decoded;
    ByteSource in(f);
    EXPECT_EQ(DecodeJPEG(in, decoded), 1);
    // The file is left right after the JPEG data.
    EXPECT_EQ(std::ftell(f), long(6 + jpeg.size()));
    EXPECT_EQ(std::fgetc(f), 'X');
    std::fclose(f);
    EXPECT_EQ(decoded.width, 10);
    EXPECT_EQ(decoded.height, 6);
}

TEST(Jpeg, EmptyPictureIsAnEncodingError)
{
    TempDir dir;
    RasterImage empty;
    std::string path = dir.Path("empty.jpg");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_EQ(EncodeJPEG(empty, 80, 1, f), 0);
    std::fclose(f);
    EXPECT_EQ(ReadAll(path), "");
}

TEST(Jpeg, NameTest)
{
    const struct { const char* name; bool jpeg; } cases[] = {
        {"a.jpg", true}, {"a.JPG", true}, {"a.jpeg", true}, {"a.JPEG", true}, {"a.Jpg", true},
        {"a.jPG", true}, {"a.peg", true}, {".jpg", true}, {"x.jpe", false}, {"x.gif", false},
        {"jpg", false}, {"a.jpg ", false}, {"", false}, {"a.png", false}, {"photo.jpg.bmp", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsJPEGName(c.name), c.jpeg) << c.name;
}

TEST(Jpeg, LoadRecordsThePathOrShowsItsMessage)
{
    TempDir dir;
    RasterImage p;
    TwoBands(p, 4, 4);
    std::string path = Encode(dir, p, true);
    RasterImage loaded;
    ClearRecordedCalls();
    RecordingFrontEnd noWindow(nullptr);
    EXPECT_EQ(LoadJPEG(noWindow, path.c_str(), 1, loaded), 0);
    EXPECT_STREQ(loaded.path, path.c_str());
    EXPECT_TRUE(Recorded().messages.empty());

    std::string bad = dir.Write("bad.jpg", "garbage");
    WindowHandle owner = reinterpret_cast<WindowHandle>(0x99);
    RecordingFrontEnd ui(owner);
    EXPECT_EQ(LoadJPEG(ui, bad.c_str(), 1, loaded), -1);
    ASSERT_EQ(Recorded().messages.size(), 1u);
    EXPECT_EQ(Recorded().messages[0], (RecordedMessage{owner, "JPEGファイルオープンに失敗しました。2", "失敗"}));
    EXPECT_STREQ(loaded.path, path.c_str());
    EXPECT_EQ(LoadJPEG(ui, bad.c_str(), 0, loaded), -1);
    EXPECT_EQ(Recorded().messages.size(), 1u);
}

// A thumbnail of a large JPEG comes from the library's scaled decoding, which
// must stay close to the area average of the whole picture; a small JPEG
// decodes whole, so its thumbnail is the exact average.
TEST(Jpeg, ReducedDecodingOfLargePicturesStaysCloseToTheWholeAverage)
{
    TempDir dir;
    RasterImage p;
    // 4.7 megapixels of gradients, waves and a hard edge, as photographs have.
    ASSERT_EQ(p.Resize(2600, 1800), kRasterOk);
    for (int row = 0; row < p.height; ++row)
        for (int x = 0; x < p.width; ++x) {
            uint8_t* px = p.pixels.data + p.Offset(x, row);
            px[0] = static_cast<uint8_t>(x * 255 / p.width);
            px[1] = static_cast<uint8_t>(128 + 100 * std::sin(x / 40.0) * std::cos(row / 55.0));
            px[2] = x > 1300 ? 250 : static_cast<uint8_t>(row * 255 / p.height);
        }
    p.FillHeaders();
    const std::string large = Encode(dir, p, false, "large.jpg");
    TwoBands(p, 640, 480);
    const std::string small = Encode(dir, p, false, "small.jpg");

    RasterImage whole, reduced;
    ASSERT_EQ(ReadJPEG(large.c_str(), whole), 1);
    ASSERT_EQ(ReadJPEGReduced(large.c_str(), 256, reduced), 1);
    // 1/4 keeps at least twice the 256 x 177 thumbnail; 1/8 would not.
    EXPECT_EQ(reduced.width, 650);
    EXPECT_EQ(reduced.height, 450);
    const ReducedSize size = FitWithin(whole.width, whole.height, 256);
    RasterImage fromWhole, fromReduced;
    ASSERT_EQ(ReduceByAreaAverage(whole, nullptr, size, fromWhole, nullptr), ReduceResult::kOk);
    ASSERT_EQ(ReduceByAreaAverage(reduced, nullptr, size, fromReduced, nullptr), ReduceResult::kOk);
    int64_t total = 0;
    int worst = 0;
    for (int32_t i = 0; i < fromWhole.pixels.length; ++i) {
        const int d = std::abs(fromWhole.pixels.data[i] - fromReduced.pixels.data[i]);
        total += d;
        worst = std::max(worst, d);
    }
    EXPECT_LE(total, fromWhole.pixels.length);   // a mean difference of at most one level
    EXPECT_LE(worst, 16);

    RasterImage smallWhole, smallReduced;
    ASSERT_EQ(ReadJPEG(small.c_str(), smallWhole), 1);
    ASSERT_EQ(ReadJPEGReduced(small.c_str(), 64, smallReduced), 1);
    ASSERT_EQ(smallReduced.width, 640);
    EXPECT_EQ(0, std::memcmp(smallWhole.pixels.data, smallReduced.pixels.data, smallWhole.pixels.length));
    EXPECT_EQ(ReadJPEGReduced(dir.Path("missing.jpg").c_str(), 64, smallReduced), -1);
}
