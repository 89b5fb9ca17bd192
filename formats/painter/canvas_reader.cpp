#include "formats/painter/canvas_reader.h"

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef _WIN32
#include <filesystem>
#include <system_error>
#endif

#include "app/document.h"
#include "formats/painter/huffman.h"
#include "formats/painter/painter_reader.h"
#include "formats/standard/jpeg_codec.h"
#include "image/file_reader.h"
#include "image/pixel_math.h"
#include "image/program_objects.h"
#include "image/sjis_text.h"

namespace {

const char kCanvasMagic[] = "cnv file 0a";   // the first 11 bytes are compared
constexpr int kCanvasMagicCompared = 11;
constexpr int kCanvasReservedBytes = 46;

// The single-precision constants the layer arithmetic is defined with. They
// are not the exact decimal values (0.01f is 0.009999999776..., 1/255 as a
// float is 0.0039215688593...), and stored canvases look the way they do
// because of that: a 100 % mask is one pixel smaller than its source, and a
// white mask pixel can lose one step of the painted byte.
constexpr float kPercent = 0.01f;

// Every build evaluates floating point in its declared precision (the
// 32-bit Windows build uses SSE2, not the x87 unit), so the layers'
// arithmetic truncates the same numbers everywhere. D and F mark where a
// step is rounded to double or float.
static_assert(FLT_EVAL_METHOD == 0, "floating point must be evaluated in its declared precision");
inline double D(double v) { return v; }
inline float F(double v) { return static_cast<float>(v); }

// Truncation toward zero, kept within a byte.

// ---------------------------------------------------------------- fields

// A file whose length field cannot be right (negative, or more than the file
// still holds) is damaged from there on: every later field is taken as
// missing, exactly as if the file ended here.
void StopReading(FileReader& reader)
{
    std::fseek(reader.File(), 0, SEEK_END);
    reader.Byte();   // meets the end, so the reader fails from now on
}

// True when n bytes can follow: not negative and not more than the file
// still holds (or than the picture size limit when that cannot be told).
bool LengthFits(FileReader& reader, int32_t n)
{
    int64_t available = reader.Remaining();
    return n >= 0 && n <= (available >= 0 ? available : kMaxPixelBytes);
}

// A length-prefixed path into a kPathSize destination. Only the length's
// bytes belong to the path, so it is terminated right after them; a path
// longer than the destination is cut at a character boundary and the rest
// of it skipped, which keeps the following fields in place. A path whose
// bytes are missing leaves the destination as it was.
void ReadPathField(FileReader& reader, char* dest)
{
    int32_t length = 0;
    if (!reader.I32(length))
        return;
    if (!LengthFits(reader, length)) {
        StopReading(reader);
        return;
    }
    char text[kPathSize + 1] = {};
    size_t kept = length < kPathSize ? static_cast<size_t>(length) : static_cast<size_t>(kPathSize);
    if (!reader.Bytes(text, kept) || !reader.Skip(static_cast<size_t>(length) - kept))
        return;
    CopyText(dest, kPathSize, text);
}

// canvasBlock: carried, not interpreted. It is replaced by the file's block;
// a length that the file cannot hold empties it and ends the read.
void ReadCanvasBlock(FileReader& reader, ByteBuffer& block)
{
    int32_t length = 0;
    if (!reader.I32(length))
        return;
    if (!LengthFits(reader, length)) {
        block.Free();
        StopReading(reader);
        return;
    }
    if (!block.AllocateFilled(length, 0)) {
        reader.Skip(static_cast<size_t>(length));
        return;
    }
    if (length > 0)
        reader.Bytes(block.data, static_cast<size_t>(length));
}

// ---------------------------------------------------------- painter name

// The painter's name when its file is missing: the file-name part of the
// painter path's full form. False when the full form cannot be made.
bool NameFromMissingPainter(const char* painterPath, char* name, size_t size)
{
    if (painterPath[0] == '\0')
        return false;
#ifdef _WIN32
    char full[kPathSize];
    if (!_fullpath(full, painterPath, kPathSize))
        return false;
    CopyText(name, size, LastPathComponent(full));
#else
    // absolute() only puts the current directory in front of a relative
    // path, so the last part is the stored path's own; it is taken from the
    // stored bytes, which are code page 932 like the separator scan expects.
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(painterPath, error);
    if (error || full.native().size() >= static_cast<size_t>(kPathSize))
        return false;
    CopyText(name, size, LastPathComponent(painterPath));
#endif
    return true;
}

void SetPainterName(WindowHandle window, const char* painterPath)
{
    if (std::FILE* probe = std::fopen(painterPath, "rb")) {
        std::fclose(probe);
        // Its messages and failures do not change the canvas read.
        LoadPainterFileShort(window, CurrentPainter, painterPath);
        return;
    }
    if (!NameFromMissingPainter(painterPath, CurrentPainter.name, sizeof CurrentPainter.name))
        CopyText(CurrentPainter.name, sizeof CurrentPainter.name, kNoPainterName);
}

// ------------------------------------------------------------ the read

int ReadOpenCanvas(WindowHandle window, std::FILE* file, char* subjectPath, char* painterPath)
{
    FileReader reader(file);
    CanvasRecord& info = CanvasInfo;

    uint8_t magic[12] = {};
    reader.Partial(magic, sizeof magic);
    if (std::memcmp(magic, kCanvasMagic, kCanvasMagicCompared) != 0) {
        ShowMessage(window, "本当にcnvファイルですか？", "失敗してしまいました。");
        return kCanvasBadMagic;
    }
    // A file that ends before its version word cannot say which layout it
    // has, so it is not read at all. It gets no box of its own: the caller
    // reports every failed canvas read.
    int32_t version = 0;
    if (!reader.I32(version))
        return kCanvasShortHead;
    if (version != 0) {
        ShowMessage(window, "このバージョンのcnvファイルは使えません。ソフトのバージョンを上げてください。（ToT)",
                    "残念ながら･･･");
        return kCanvasBadVersion;
    }

    ReadPathField(reader, subjectPath);
    ReadPathField(reader, painterPath);

    reader.I32(info.canvasValueA);
    reader.I32(info.canvasValueB);
    reader.I32(info.canvasValueC);
    reader.I32(info.canvasValueD);
    reader.I32(info.canvasValueE);
    reader.I32(info.canvasValueF);
    reader.I32(info.canvasValueG);
    uint8_t format = 0;
    reader.U8(format);
    reader.U8(info.hasLayers);
    reader.I8(info.maskLevel);
    reader.I8(info.maskScale);
    reader.Skip(kCanvasReservedBytes);
    ReadCanvasBlock(reader, info.canvasBlock);
    // The under layer's size in the head only matters for a canvas without
    // layer sections, and there nothing reads the under layer (the blend
    // runs only with layers), so no white layer of that size is made.
    int32_t underWidth = 0, underHeight = 0;
    reader.I32(underWidth);
    reader.I32(underHeight);

    RasterImage mask;
    RasterImage under;
    if (info.hasLayers == 1) {
        if (HuffDecodeImg(mask, reader) != kHuffmanDecoded)
            ShowMessage(window, "HuffDecodeImgファイル作成に失敗しました。WRITE_CNV2", "失敗");
        if (HuffDecodeImg(under, reader) != kHuffmanDecoded)
            ShowMessage(window, "HuffDecodeImgファイル作成に失敗しました。WRITE_CNV2", "失敗");
    } else {
        mask.ResizeAndFill(kPlainMaskSide, kPlainMaskSide, -1);
    }

    if (format == kCanvasHuffmanPicture) {
        if (HuffDecodeImg(Picture, reader) != kHuffmanDecoded)
            ShowMessage(window, "JPEGファイル作成に失敗しました。ReadCNV", "失敗");
        Picture.FillHeaders();
    } else if (DecodeJPEG(reader.File(), Picture) != 1) {
        ShowMessage(window, "JPEGファイル読み込みに失敗しました。ReadCNV", "失敗");
    }

    PrepareMaskLayer(mask);
    if (info.hasLayers == 1)
        BlendLayers(under, mask);

    SetPainterName(window, painterPath);
    return kCanvasRead;
}

// New side of a mask layer scaled by percent: (percent x side) x 0.01f in
// double precision, truncated, at least 1.
int32_t ScaledSide(int8_t percent, int32_t side)
{
    double scaled = D(static_cast<double>(int64_t{percent} * side) * static_cast<double>(kPercent));
    if (!(scaled >= 1.0))
        return 1;
    if (scaled >= static_cast<double>(INT32_MAX))
        return INT32_MAX;
    return static_cast<int32_t>(scaled);
}

}  // namespace

int ReadCNV(WindowHandle window, char* subjectPath, char* painterPath, const char* canvasPath)
{
    std::FILE* file = std::fopen(canvasPath, "rb");
    if (!file)
        return kCanvasBadMagic;
    int result = ReadOpenCanvas(window, file, subjectPath, painterPath);
    std::fclose(file);
    if (result == kCanvasRead)
        Document.kind = kCanvas;
    return result;
}

const char* LastPathComponent(const char* path)
{
    const char* part = path;
    for (const char* p = path; *p != '\0';) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (IsSjisLeadByte(c) && p[1] != '\0') {
            p += 2;
            continue;
        }
        ++p;
        if (c == '\\' || c == '/')
            part = p;
    }
    return part;
}

void PrepareMaskLayer(RasterImage& mask)
{
    if (CanvasInfo.hasLayers == 0) {
        mask.ResizeAndFill(kPlainMaskSide, kPlainMaskSide, -1);
        return;
    }
    RasterImage source;
    source.CopyPixelsFrom(mask);

    int32_t newWidth = source.width;
    int32_t newHeight = source.height;
    if (CanvasInfo.maskScale != 0) {
        newWidth = ScaledSide(CanvasInfo.maskScale, source.width);
        newHeight = ScaledSide(CanvasInfo.maskScale, source.height);
    }

    int level = CanvasInfo.maskLevel;
    if (level < -127)
        level = -127;
    CanvasInfo.maskLevel = static_cast<int8_t>(level);
    const int threshold = 2 * level;

    ResizeBilinear(source, mask, newWidth, newHeight);

    // Bytes from the threshold up are stretched over 0..255; the value
    // depends on the byte alone, so it is worked out once per byte value.
    uint8_t stretched[256];
    for (int v = 0; v < 256; ++v)
        stretched[v] = TruncateToByte(D(D(static_cast<double>(v - threshold) * 255.0) /
                                        static_cast<double>(255 - threshold)));
    for (int32_t row = 0; row < mask.height; ++row) {
        for (int32_t col = 0; col < mask.width; ++col) {
            uint8_t* p = mask.pixels.data + mask.Offset(col, row);
            if (p[0] < threshold) {
                p[0] = p[1] = p[2] = 0;
            } else {
                p[0] = stretched[p[0]];
                p[1] = stretched[p[1]];
                p[2] = stretched[p[2]];
            }
        }
    }
}

int BlendLayers(const RasterImage& under, const RasterImage& mask)
{
    RasterImage& target = Picture;
    if (mask.width <= 0 || mask.height <= 0 || mask.pixels.length == 0)
        return kBlendSkipped;
    // The under layer's byte for a painted byte is the one at the same
    // offset of its block: the layer is read with the picture's row stride,
    // not its own, whatever its size, as the format's blend is defined.
    // Painted bytes whose offset lies beyond the block stay as they are.
    const int64_t underBytes = under.pixels.length;

    // a = t x (1/255 as a float) and 1 - a for every mask byte t.
    double paintedWeight[256];
    double underWeight[256];
    for (int t = 0; t < 256; ++t) {
        paintedWeight[t] = D(static_cast<double>(t) * static_cast<double>(kInverse255f));
        underWeight[t] = D(1.0 - paintedWeight[t]);
    }
    for (int32_t y = 0; y < target.height; ++y) {
        const int64_t rowStart = int64_t{y} * target.stride;
        if (rowStart >= underBytes)
            break;
        // Pixels whose three bytes all lie in the block, then at most one
        // pixel that the block's end cuts.
        const int64_t whole = std::min<int64_t>(target.width, (underBytes - rowStart) / 3);
        const int32_t columns = static_cast<int32_t>(std::min<int64_t>(target.width, whole + 1));
        const uint8_t* maskRow = mask.pixels.data + mask.Offset(0, y % mask.height);
        for (int32_t x = 0; x < columns; ++x) {
            const int t = maskRow[3 * (x % mask.width)];
            const int64_t offset = target.Offset(x, y);
            uint8_t* painted = target.pixels.data + offset;
            const uint8_t* below = under.pixels.data + offset;
            const int bytes = static_cast<int>(std::min<int64_t>(3, underBytes - offset));
            for (int c = 0; c < bytes; ++c) {
                const double u = below[c];
                painted[c] = TruncateToByte(D(D(u * underWeight[t]) + D(painted[c] * paintedWeight[t])));
            }
        }
    }
    return kBlendDone;
}

int ResizeBilinear(const RasterImage& source, RasterImage& dest, int32_t width, int32_t height)
{
    if (source.width == width && source.height == height) {
        if (&source != &dest && dest.CopyPixelsFrom(source) != kRasterOk)
            return kResizeRefused;
        dest.FillHeaders();
        return kResizeDone;
    }
    if (source.width <= 0 || source.height <= 0 || source.pixels.length == 0)
        return kResizeNoSource;

    // Built apart and handed over at the end: dest may be the source, and a
    // refused size leaves dest as it was.
    // Each side is checked on its own first, so that the byte count of two
    // huge sides is never formed.
    if (width > kMaxPixelBytes || height > kMaxPixelBytes)
        return kResizeRefused;
    RasterImage result;
    if (result.Resize(width, height) != kRasterOk)
        return kResizeRefused;
    const int32_t sw = source.width, sh = source.height;
    if (width > 0 && height > 0) {
        const float sx = F(D(static_cast<double>(sw) / static_cast<double>(width)));
        const float sy = F(D(static_cast<double>(sh) / static_cast<double>(height)));
        for (int32_t i = 0; i < height; ++i) {
            const double y = D(static_cast<double>(i) * static_cast<double>(sy));
            const int32_t yi = static_cast<int32_t>(y);
            const float fy = F(D(y - yi));
            const int32_t y0 = yi < sh - 1 ? yi : sh - 1;
            const int32_t y1 = yi + 1 < sh - 1 ? yi + 1 : sh - 1;
            const double gy = D(1.0 - static_cast<double>(fy));
            uint8_t* out = result.pixels.data + result.Offset(0, i);
            for (int32_t k = 0; k < width; ++k) {
                const double x = D(static_cast<double>(k) * static_cast<double>(sx));
                const int32_t xi = static_cast<int32_t>(x);
                const float fx = F(D(x - xi));
                const int32_t x0 = xi < sw - 1 ? xi : sw - 1;
                const int32_t x1 = xi + 1 < sw - 1 ? xi + 1 : sw - 1;
                const double gx = D(1.0 - static_cast<double>(fx));
                const uint8_t* s00 = source.pixels.data + source.Offset(x0, y0);
                const uint8_t* s01 = source.pixels.data + source.Offset(x1, y0);
                const uint8_t* s10 = source.pixels.data + source.Offset(x0, y1);
                const uint8_t* s11 = source.pixels.data + source.Offset(x1, y1);
                for (int c = 0; c < 3; ++c) {
                    const double top = D(D(gx * s00[c]) + D(static_cast<double>(fx) * s01[c]));
                    const double bottom = D(D(gx * s10[c]) + D(static_cast<double>(fx) * s11[c]));
                    out[3 * k + c] = TruncateToByte(D(D(gy * top) + D(static_cast<double>(fy) * bottom)));
                }
            }
        }
    }
    dest.TakePixels(result.pixels, width, height);
    dest.FillHeaders();
    return kResizeDone;
}
