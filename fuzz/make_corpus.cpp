// Writes the seed corpus of every fuzz target: files made with the
// project's writers, a few made here with libpng and libjpeg for the kinds
// the writers do not make (grey, palette, 16-bit and interlaced PNG; grey
// and CMYK JPEG), and the bundled samples.
// Usage: make_corpus SAMPLES_FOLDER OUTPUT_FOLDER
// OUTPUT_FOLDER/<target>/ is made for every target (fuzz/fuzz_driver.h).
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}
#include <png.h>

#include "formats/painter/item_reader.h"
#include "formats/painter/painter_reader.h"
#include "formats/painter/painter_record.h"
#include "formats/standard/bmp_codec.h"
#include "formats/standard/jpeg_codec.h"
#include "image/little_endian.h"
#include "image/raster_image.h"
#include "image/sjis_text.h"
#include "tools/writers/canvas_file_writer.h"
#include "tools/writers/huffman_writer.h"
#include "tools/writers/item_file_writer.h"
#include "tools/writers/packed_picture_writer.h"
#include "tools/writers/painter_file_writer.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

fs::path g_out;
int g_failures = 0;

void Put(const char* target, const std::string& name, const Bytes& bytes)
{
    if (bytes.empty()) {
        std::fprintf(stderr, "make_corpus: %s/%s could not be made\n", target, name.c_str());
        ++g_failures;
        return;
    }
    fs::create_directories(g_out / target);
    std::ofstream out(g_out / target / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A whole file goes to its own target and to the open by content.
void PutFile(const char* target, const std::string& name, const Bytes& bytes)
{
    Put(target, name, bytes);
    Put("open", std::string(target) + "_" + name, bytes);
}

Bytes ReadWhole(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Pictures with few colours in blocks, so that runs and codes stay short.
void Blocks(RasterImage& p, int width, int height, int seed)
{
    p.ResizeAndFill(width, height, 0);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) {
            uint8_t* px = p.pixels.data + p.Offset(x, row);
            const int cell = (x / 4 + row / 4 + seed) % 3;
            px[0] = static_cast<uint8_t>(cell * 100);
            px[1] = static_cast<uint8_t>(200 - cell * 60 + seed);
            px[2] = static_cast<uint8_t>(50 + cell * 70);
        }
    p.FillHeaders();
}

// ---------------------------------------------------------------- painter

Bytes Painter(int pictureFormat, int pictureMode, int penMode, uint8_t penFlag, uint8_t extra, uint8_t memo,
              char letter, int side = kPainterPictureSize)
{
    PainterRecord painter;
    CopyText(painter.name, sizeof painter.name, "試しの絵師");
    CopyText(painter.fillPenName, sizeof painter.fillPenName, "丸筆");
    CopyText(painter.outlinePenName, sizeof painter.outlinePenName, "細筆");
    CopyText(painter.memo, sizeof painter.memo, "メモ");
    painter.extraPresent = extra;
    Blocks(painter.fillPenPicture, kPenPictureSize, kPenPictureSize, 1);
    Blocks(painter.outlinePenPicture, kPenPictureSize, kPenPictureSize, 2);
    RasterImage picture;
    Blocks(picture, side, side, 0);
    PainterFileLayout layout(painter, picture);
    layout.pictureFormat = pictureFormat;
    layout.pictureMode = pictureMode;
    layout.penPictureMode = penMode;
    layout.penPicturesFlag = penFlag;
    layout.memoFlag = memo;
    layout.magicLetter = letter;
    return PainterFileBytes(layout);
}

Bytes ShortPainter()
{
    PainterRecord painter;
    CopyText(painter.name, sizeof painter.name, "短い絵師");
    RasterImage picture;
    PainterFileLayout layout(painter, picture);
    return ShortPainterBytes(layout);
}

void PainterSeeds()
{
    PutFile("painter", "runs_all_sections.esi", Painter(1, 1, 1, 1, 1, 1, 'f'));
    PutFile("painter", "runs_no_sections.esi", Painter(1, 1, 1, 0, 0, 0, 'a'));
    PutFile("painter", "raw_pen_pictures.esi", Painter(1, 1, 0, 1, 0, 1, 'f'));
    PutFile("painter", "jpeg_all_sections.esi", Painter(0, 1, 1, 1, 1, 1, 'f', 24));
    PutFile("painter", "bad_format.esi", Painter(2, 1, 1, 0, 0, 0, 'f'));
    Put("painter_short", "short_layout.esi", ShortPainter());
    Put("painter_short", "full_layout.esi", Painter(1, 1, 1, 0, 0, 1, 'a'));
}

// ----------------------------------------------------------------- canvas

Bytes Canvas(int layers, int mainFormat, const char* painterPath, int8_t level, int8_t scale, bool smallUnder)
{
    RasterImage main, mask, under;
    Blocks(main, 24, 16, 0);
    Blocks(mask, 8, 8, 1);
    Blocks(under, smallUnder ? 10 : 24, smallUnder ? 6 : 16, 2);
    CanvasFileFields fields;
    fields.subjectPath = "subject.jpg";
    fields.painterPath = painterPath;
    fields.mainFormat = static_cast<uint8_t>(mainFormat);
    fields.hasLayers = static_cast<uint8_t>(layers);
    fields.maskLevel = level;
    fields.maskScale = scale;
    fields.canvasBlock = {1, 2, 3, 4};
    fields.underWidth = under.width;
    fields.underHeight = under.height;
    fields.maskLayer = &mask;
    fields.underLayer = &under;
    fields.mainPicture = &main;
    Bytes bytes;
    std::string path = (g_out / "canvas.tmp").string();
    if (WriteCanvasFile(path.c_str(), fields))
        bytes = ReadWhole(path);
    fs::remove(path);
    return bytes;
}

void CanvasSeeds()
{
    PutFile("canvas", "plain_huffman.cnv", Canvas(0, 1, "hanako.esi", 0, 0, false));
    PutFile("canvas", "layers.cnv", Canvas(1, 1, "hanako.esi", 10, 50, false));
    PutFile("canvas", "layers_small_under.cnv", Canvas(1, 1, "nobody.esi", 64, 100, true));
    PutFile("canvas", "jpeg_main.cnv", Canvas(1, 0, "hanako.esi", -128, 0, false));
}

// ---------------------------------------------------------------- sections

void HuffmanSeeds()
{
    for (const auto& size : {std::pair<int, int>{1, 1}, {5, 3}, {16, 16}}) {
        RasterImage p;
        Blocks(p, size.first, size.second, 1);
        Put("huffman", "blocks_" + std::to_string(size.first) + "x" + std::to_string(size.second),
            HuffmanSectionBytes(p));
    }
    // One byte value and the end symbol: the smallest tree.
    RasterImage flat;
    flat.ResizeAndFill(4, 2, 7);
    Put("huffman", "one_value_4x2", HuffmanSectionBytes(flat));
}

void PackedSeeds()
{
    for (int side : {kPenPictureSize, kPainterPictureSize})
        for (int mode : {0, 1}) {
            RasterImage p;
            Blocks(p, side, side, mode);
            Put("packed", "mode" + std::to_string(mode) + "_" + std::to_string(side), PackedPictureBytes(p, mode));
        }
}

// ------------------------------------------------------------------- items

Bytes Item(int kind, int selector, int longFlag)
{
    ItemRecord item;
    CopyText(item.name, sizeof item.name, "試しの筆");
    item.penSelector = selector;
    item.penShapes[0] = 3;
    item.penShapes[1] = 5;
    item.penWidth = 6;
    item.penConsistency = 40;
    item.penDensity = 70;
    RasterImage picture;
    Blocks(picture, kItemPictureSize, kItemPictureSize, kind);
    ItemFileLayout layout(item, picture);
    layout.itemKind = kind;
    layout.longTextFlag = longFlag;
    layout.shortText = "短い説明";
    layout.longText = "長い説明";
    return ItemFileBytes(layout);
}

void ItemSeeds()
{
    PutFile("item", "pen_single.itm", Item(kItemKindPen, 1, 0));
    PutFile("item", "pen_hybrid.itm", Item(kItemKindPen, kItemHybridPen, 0));
    PutFile("item", "other_long_text.itm", Item(kItemKindOther, kItemNoPen, 1));
}

// ------------------------------------------------------------------- BMP

Bytes Bmp(int width, int height, uint16_t bits, uint32_t compression, uint32_t infoSize)
{
    RasterImage p;
    Blocks(p, width, height < 0 ? -height : height, 0);
    BitmapFileHeader file;
    file.bfType = 0x4D42;
    file.bfOffBits = kFileHeaderBytes + infoSize;
    file.bfSize = static_cast<uint32_t>(file.bfOffBits + p.pixels.length);
    BitmapInfoHeader info;
    info.biSize = infoSize;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = bits;
    info.biCompression = compression;
    info.biSizeImage = static_cast<uint32_t>(p.pixels.length);
    Bytes bytes(kFileHeaderBytes + infoSize, 0);
    StoreFileHeader(file, bytes.data());
    StoreInfoHeader(info, bytes.data() + kFileHeaderBytes);
    bytes.insert(bytes.end(), p.pixels.data, p.pixels.data + p.pixels.length);
    return bytes;
}

void BmpSeeds()
{
    PutFile("bmp", "1x1.bmp", Bmp(1, 1, 24, 0, 40));
    PutFile("bmp", "5x3.bmp", Bmp(5, 3, 24, 0, 40));
    PutFile("bmp", "top_down.bmp", Bmp(6, -4, 24, 0, 40));
    PutFile("bmp", "v5_header.bmp", Bmp(4, 4, 24, 0, 124));
    PutFile("bmp", "32_bit.bmp", Bmp(4, 2, 32, 0, 40));
    PutFile("bmp", "rle.bmp", Bmp(4, 2, 24, 1, 40));
}

// ------------------------------------------------------------------- PNG

Bytes SimplePng(png_uint_32 format, int width, int height)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    const size_t size = PNG_IMAGE_SIZE(image);
    Bytes pixels(size);
    for (size_t i = 0; i < size; ++i)
        pixels[i] = static_cast<uint8_t>((i * 37) / 5);
    Bytes colourMap(256 * 3);
    for (size_t i = 0; i < colourMap.size(); ++i)
        colourMap[i] = static_cast<uint8_t>(i);
    if (format & PNG_FORMAT_FLAG_COLORMAP) {
        image.colormap_entries = 16;
        for (uint8_t& b : pixels)
            b &= 15;
    }
    png_alloc_size_t length = 0;
    if (!png_image_write_get_memory_size(image, length, 0, pixels.data(), 0, colourMap.data()))
        return {};
    Bytes out(length);
    if (!png_image_write_to_memory(&image, out.data(), &length, 0, pixels.data(), 0, colourMap.data()))
        return {};
    out.resize(length);
    return out;
}

struct PngSink {
    Bytes bytes;
};

void PngWriteToSink(png_structp png, png_bytep data, png_size_t length)
{
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    sink->bytes.insert(sink->bytes.end(), data, data + length);
}

void PngFlushNothing(png_structp) {}

// An interlaced 8-bit colour file, which the simplified interface cannot write.
Bytes InterlacedPng(int width, int height)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return {};
    }
    PngSink sink;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &sink, PngWriteToSink, PngFlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    Bytes row(static_cast<size_t>(width) * 3);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < height; ++y) {
            for (size_t i = 0; i < row.size(); ++i)
                row[i] = static_cast<uint8_t>(i * 11 + y * 7);
            png_write_row(png, row.data());
        }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return sink.bytes;
}

void PngSeeds()
{
    PutFile("png", "rgb.png", SimplePng(PNG_FORMAT_RGB, 5, 3));
    PutFile("png", "rgba.png", SimplePng(PNG_FORMAT_RGBA, 4, 4));
    PutFile("png", "grey.png", SimplePng(PNG_FORMAT_GRAY, 3, 2));
    PutFile("png", "grey_alpha.png", SimplePng(PNG_FORMAT_GA, 3, 3));
    PutFile("png", "grey_16bit.png", SimplePng(PNG_FORMAT_LINEAR_Y, 2, 2));
    PutFile("png", "palette.png", SimplePng(PNG_FORMAT_RGB_COLORMAP, 4, 4));
    PutFile("png", "interlaced.png", InterlacedPng(9, 7));
}

// ------------------------------------------------------------------ JPEG

struct JpegFailure {
    jpeg_error_mgr manager;
    std::jmp_buf recovery;
};

[[noreturn]] void JpegFail(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegFailure*>(cinfo->err)->recovery, 1);
}

// A grey or CMYK stream, which the viewer's encoder never writes.
Bytes JpegOfSpace(J_COLOR_SPACE space, int components, int width, int height)
{
    jpeg_compress_struct cinfo;
    JpegFailure errors;
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JpegFail;
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    if (setjmp(errors.recovery)) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        return {};
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &length);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    Bytes row(static_cast<size_t>(width) * components);
    JSAMPROW rows[1] = {row.data()};
    while (cinfo.next_scanline < cinfo.image_height) {
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<uint8_t>(i * 13 + cinfo.next_scanline * 5);
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + length);
    std::free(buffer);
    return out;
}

Bytes Jpeg(int width, int height, int progressive)
{
    RasterImage p;
    Blocks(p, width, height, 2);
    Bytes bytes;
    const std::string path = (g_out / "jpeg.tmp").string();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        const bool ok = EncodeJPEG(p, 75, progressive, f) == 1;
        if (std::fclose(f) == 0 && ok)
            bytes = ReadWhole(path);
    }
    fs::remove(path);
    return bytes;
}

void JpegSeeds()
{
    PutFile("jpeg", "baseline_17x9.jpg", Jpeg(17, 9, 0));
    PutFile("jpeg", "progressive_16x16.jpg", Jpeg(16, 16, 1));
    PutFile("jpeg", "1x1.jpg", Jpeg(1, 1, 0));
    PutFile("jpeg", "grey.jpg", JpegOfSpace(JCS_GRAYSCALE, 1, 8, 8));
    PutFile("jpeg", "cmyk.jpg", JpegOfSpace(JCS_CMYK, 4, 8, 8));
}

// ---------------------------------------------------------------- samples

void SampleSeeds(const fs::path& samples)
{
    const struct {
        const char* file;
        const char* target;
    } kinds[] = {
        {"hanako.esi", "painter"},
        {"hanako.esi", "painter_short"},
        {"sunset.cnv", "canvas"},
        {"kirakira.itm", "item"},
        {"landscape.jpg", "jpeg"},
    };
    for (const auto& k : kinds) {
        const Bytes bytes = ReadWhole(samples / k.file);
        Put(k.target, std::string("sample_") + k.file, bytes);
        Put("open", std::string("sample_") + k.file, bytes);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_corpus SAMPLES_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    g_out = argv[2];
    fs::create_directories(g_out);
    PainterSeeds();
    CanvasSeeds();
    HuffmanSeeds();
    PackedSeeds();
    ItemSeeds();
    BmpSeeds();
    PngSeeds();
    JpegSeeds();
    SampleSeeds(argv[1]);
    return g_failures == 0 ? 0 : 1;
}
