// PNG over libpng 1.6.
//
// Errors the library raises come back through a setjmp recovery point in
// the small C-style functions DecodeStream and EncodeStream: nothing with a
// destructor lives in a frame that the longjmp crosses or returns to, the
// buffers they fill belong to their callers, and the recovery point lives
// only as long as the library object that can jump to it. The library's own
// texts are never shown; warnings are dropped.
#include "formats/standard/png_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <utility>

#include <png.h>
#include <zlib.h>

#include "image/pixel_blend.h"
#include "image/sjis_text.h"
#include "image/byte_source.h"

namespace {

struct PngErrorRecord {
    std::jmp_buf recovery;
};

// Fatal library error: back to the recovery point. Never returns to the
// library.
[[noreturn]] void PngErrorExit(png_structp png, png_const_charp)
{
    auto* record = static_cast<PngErrorRecord*>(png_get_error_ptr(png));
    std::longjmp(record->recovery, 1);
}

void PngSilentWarning(png_structp, png_const_charp) {}

// The value the recovery point sees when reading stopped after the
// picture's last row (any other jump is a library error).
constexpr int kRowsInPlace = 2;

// The file as the library reads it, followed through the chunk framing
// (signature, then length and type, data, CRC for each chunk), so that the
// reading can end with the chunk that holds the picture's last row.
struct PngSource {
    enum Part { kSignature, kHeader, kData, kCrc };

    ByteSource* source = nullptr;
    bool rowsStarted = false;   // set when the library starts on the rows
    bool interlaced = false;
    png_uint_32 height = 0;
    Part part = kSignature;
    png_uint_32 left = 8;       // bytes of the part not read yet, never 0
    uint8_t header[8] = {};     // the chunk's length and type
    uint8_t stored[4] = {};     // the chunk's CRC field
    uLong crc = 0;              // of the chunk's type and the data read so far
};

png_uint_32 BigEndian32(const uint8_t* b)
{
    return png_uint_32{b[0]} << 24 | png_uint_32{b[1]} << 16 | png_uint_32{b[2]} << 8 | b[3];
}

// Follows n bytes just read through the framing.
void Advance(PngSource& s, const uint8_t* bytes, size_t n)
{
    while (n > 0) {
        const png_uint_32 take = n < s.left ? static_cast<png_uint_32>(n) : s.left;
        if (s.part == PngSource::kHeader)
            std::memcpy(s.header + 8 - s.left, bytes, take);
        else if (s.part == PngSource::kData)
            s.crc = crc32(s.crc, bytes, take);
        else if (s.part == PngSource::kCrc)
            std::memcpy(s.stored + 4 - s.left, bytes, take);
        s.left -= take;
        bytes += take;
        n -= take;
        if (s.left > 0)
            continue;
        switch (s.part) {
        case PngSource::kSignature:
        case PngSource::kCrc:
            s.part = PngSource::kHeader;
            s.left = 8;
            break;
        case PngSource::kHeader:
            s.crc = crc32(0, s.header + 4, 4);
            s.part = PngSource::kData;
            s.left = BigEndian32(s.header);
            if (s.left > 0)
                break;
            [[fallthrough]];   // no data
        case PngSource::kData:
            s.part = PngSource::kCrc;
            s.left = 4;
            break;
        }
    }
}

// Fills data from the file, or raises the library's error on a short read
// (end of file or read error), as the library's own file reader does.
void ReadExactly(png_structp png, PngSource& s, uint8_t* data, size_t length)
{
    if (s.source->Read(data, length) != length)
        png_error(png, "Read Error");
    Advance(s, data, length);
}

// After the picture's last row the library goes on inflating the deflate
// stream to its end (to check it) before it lets go: for a stream that runs
// on past the picture, up to gigabytes of surplus from a small file. Rather
// than serve those reads, the rest of the chunk in progress (the one holding
// the last row) is read here and its CRC checked, and reading ends there:
// the rest of the stream, the chunks after and the stream's own checksum are
// not read, as the rows are complete and stored.
[[noreturn]] void StopAfterLastRow(png_structp png, PngSource& s)
{
    uint8_t buffer[4096];
    if (s.part == PngSource::kData || s.part == PngSource::kCrc) {
        while (s.part == PngSource::kData)
            ReadExactly(png, s, buffer, s.left < sizeof buffer ? s.left : sizeof buffer);
        while (s.part == PngSource::kCrc)
            ReadExactly(png, s, buffer, s.left);
        if (BigEndian32(s.stored) != s.crc)
            png_error(png, "CRC error");
    }
    std::longjmp(static_cast<PngErrorRecord*>(png_get_error_ptr(png))->recovery, kRowsInPlace);
}

// The library's read function. The library's row state says when the last
// row is done: the row count reaches the height, or for an interlaced
// picture the pass count passes the last pass.
void ReadPngBytes(png_structp png, png_bytep data, size_t length)
{
    PngSource& s = *static_cast<PngSource*>(png_get_io_ptr(png));
    if (s.rowsStarted &&
        (s.interlaced ? png_get_current_pass_number(png) >= 7 : png_get_current_row_number(png) >= s.height))
        StopAfterLastRow(png, s);
    ReadExactly(png, s, data, length);
}

// What DecodeStream found in the file's header.
struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int colourType = 0;
    size_t rowBytes = 0;
};

// The kinds the viewer reads: palette first, then the colour type, then the
// depth, so that a 4-bit palette file counts as a palette file.
int Refusal(int colourType, int bitDepth)
{
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        return kPNGPalette;
    if (colourType != PNG_COLOR_TYPE_GRAY && colourType != PNG_COLOR_TYPE_RGB &&
        colourType != PNG_COLOR_TYPE_GRAY_ALPHA && colourType != PNG_COLOR_TYPE_RGB_ALPHA)
        return kPNGColourType;
    return bitDepth == 8 ? kPNGRead : kPNGBitDepth;
}

// Reads the header and, for a kind the viewer takes, the whole image (top
// row first, interlacing removed) into rows, with table as its row pointers.
// The file is read up to the end of the chunk that completes the last row.
int DecodeStream(ByteSource& in, PngHeader& header, ByteBuffer& rows, ByteBuffer& table)
{
    // Created with the library's own handlers, which cover creation itself;
    // ours take over once the recovery point is set.
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return kPNGTooLarge;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return kPNGTooLarge;
    }
    PngErrorRecord errors;
    PngSource source;
    source.source = &in;
    png_set_error_fn(png, &errors, PngErrorExit, PngSilentWarning);
    switch (setjmp(errors.recovery)) {
    case 0:
        break;
    case kRowsInPlace:
        png_destroy_read_struct(&png, &info, nullptr);
        return kPNGRead;
    default:
        png_destroy_read_struct(&png, &info, nullptr);
        return kPNGCorrupt;
    }
    png_set_read_fn(png, &source, ReadPngBytes);
    // No ancillary chunk is used (the samples are shown as stored), so all
    // are skipped unread: the library would otherwise allocate what a text
    // or profile chunk claims, up to 2 GB, before finding the file short.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);
    int bitDepth = 0, interlace = 0;
    png_get_IHDR(png, info, &header.width, &header.height, &bitDepth, &header.colourType, &interlace, nullptr,
                 nullptr);
    int refusal = Refusal(header.colourType, bitDepth);
    if (refusal == kPNGRead && !in.Limits().PictureAllowed(header.width, header.height))
        refusal = kPNGTooLarge;
    if (refusal != kPNGRead) {
        png_destroy_read_struct(&png, &info, nullptr);
        return refusal;
    }
    if (interlace != PNG_INTERLACE_NONE)
        png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header.rowBytes = png_get_rowbytes(png, info);
    const int64_t bytes = static_cast<int64_t>(header.rowBytes) * header.height;
    if (bytes > INT32_MAX || !rows.Allocate(static_cast<int32_t>(bytes)) ||
        !table.Allocate(static_cast<int32_t>(header.height * sizeof(png_bytep)))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return kPNGTooLarge;
    }
    png_bytepp pointers = reinterpret_cast<png_bytepp>(table.data);
    for (png_uint_32 i = 0; i < header.height; ++i)
        pointers[i] = rows.data + i * header.rowBytes;
    source.interlaced = interlace != PNG_INTERLACE_NONE;
    source.height = header.height;
    source.rowsStarted = true;
    // Ends at the recovery point once the last row is stored (see
    // StopAfterLastRow).
    png_read_image(png, pointers);
    png_destroy_read_struct(&png, &info, nullptr);
    return kPNGRead;
}

// Writes the whole file, top row first, one row at a time through row.
bool EncodeStream(const PNGRowSource& source, uint8_t* row, std::FILE* file)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    PngErrorRecord errors;
    png_set_error_fn(png, &errors, PngErrorExit, PngSilentWarning);
    if (setjmp(errors.recovery)) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    const RasterImage& picture = *source.picture;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 source.alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Filters and compression are the library's defaults, so that a saved
    // file has the bytes any program writing through libpng gives.
    png_write_info(png, info);
    for (int32_t i = 0; i < picture.height; ++i) {
        // The last memory row is the picture's top row.
        FillPNGRow(source, picture.height - 1 - i, row);
        png_write_row(png, row);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// True when the source starts with the 8-byte PNG signature; the source is
// left at its start.
bool HasPNGSignature(ByteSource& in)
{
    uint8_t signature[8];
    const size_t n = in.Read(signature, sizeof signature);
    in.Rewind();
    return n == sizeof signature && IsPNGSignature(signature);
}

bool HoldsItsRows(const RasterImage& p)
{
    return p.width > 0 && p.height > 0 && p.stride == StrideForWidth(p.width) &&
           int64_t{p.stride} * p.height <= p.pixels.length;
}

}  // namespace

// One PNG row (red, green, blue[, alpha]) from a memory row of the picture.
void FillPNGRow(const PNGRowSource& source, int32_t memoryRow, uint8_t* out)
{
    const RasterImage& picture = *source.picture;
    const int64_t rowStart = int64_t{memoryRow} * picture.stride;
    const uint8_t* f = picture.pixels.data + rowStart;
    const uint8_t* weight = source.mask ? source.mask + int64_t{memoryRow} * picture.width : nullptr;
    const uint8_t* g = source.backdrop ? source.backdrop->pixels.data + rowStart : nullptr;
    for (int32_t c = 0; c < picture.width; ++c, f += 3) {
        if (g) {
            *out++ = BlendByte(g[3 * c + 2], f[2], weight[c], FullMask::kUnlimited);
            *out++ = BlendByte(g[3 * c + 1], f[1], weight[c], FullMask::kUnlimited);
            *out++ = BlendByte(g[3 * c + 0], f[0], weight[c], FullMask::kUnlimited);
        } else {
            *out++ = f[2];
            *out++ = f[1];
            *out++ = f[0];
        }
        if (source.alpha)
            *out++ = weight[c];
    }
}

bool IsPNGSignature(const uint8_t* bytes)
{
    png_byte signature[8];
    std::memcpy(signature, bytes, sizeof signature);
    return png_sig_cmp(signature, 0, sizeof signature) == 0;
}

int IsPNGFile(const InputFile& input)
{
    ByteSource in;
    if (!in.Open(input))
        return kPNGCannotOpen;
    return HasPNGSignature(in) ? 1 : 0;
}

int ReadPNG(const InputFile& input, RasterImage& picture, ByteBuffer* alphaMask, bool* alphaChannel)
{
    PngHeader header;
    ByteBuffer rows, table;
    int result = kPNGRead;
    {
        ByteSource in;
        if (!in.Open(input))
            return kPNGCannotOpen;
        result = HasPNGSignature(in) ? DecodeStream(in, header, rows, table) : kPNGNotPNG;
    }
    if (result != kPNGRead)
        return result;
    table.Free();

    // Into working buffers first: the picture and the mask change only when
    // everything is in place.
    const int32_t w = static_cast<int32_t>(header.width);
    const int32_t h = static_cast<int32_t>(header.height);
    const int64_t stride = StrideForWidth(w);
    ByteBuffer block, mask;
    if (!block.AllocateFilled(static_cast<int32_t>(stride * h), 0) ||
        (alphaMask && !mask.AllocateFilled(w * h, 255)))
        return kPNGTooLarge;
    const bool colour = (header.colourType & PNG_COLOR_MASK_COLOR) != 0;
    const bool alpha = (header.colourType & PNG_COLOR_MASK_ALPHA) != 0;
    const int channels = (colour ? 3 : 1) + (alpha ? 1 : 0);
    for (int32_t r = 0; r < h; ++r) {
        const uint8_t* in = rows.data + static_cast<int64_t>(h - 1 - r) * static_cast<int64_t>(header.rowBytes);
        uint8_t* out = block.data + r * stride;
        uint8_t* weight = alpha && mask.length ? mask.data + int64_t{r} * w : nullptr;
        for (int32_t c = 0; c < w; ++c, in += channels, out += 3) {
            out[0] = colour ? in[2] : in[0];
            out[1] = colour ? in[1] : in[0];
            out[2] = in[0];
            if (weight)
                weight[c] = in[channels - 1];
        }
    }
    rows.Discard();
    if (picture.TakePixels(block, w, h) != kRasterOk)
        return kPNGTooLarge;
    picture.FillHeaders();
    if (alphaMask)
        std::swap(*alphaMask, mask);
    if (alphaChannel)
        *alphaChannel = alpha;
    return kPNGRead;
}

bool PNGReadMessage(int result, MessageId& id)
{
    switch (result) {
    case kPNGColourType: id = MessageId::kPngColourType; return true;
    case kPNGBitDepth: id = MessageId::kPngBitDepth; return true;
    case kPNGPalette: id = MessageId::kPngPalette; return true;
    case kPNGCannotOpen: id = MessageId::kPngOpenFailed; return true;
    case kPNGNotPNG: id = MessageId::kPngNotUsable; return true;
    case kPNGCorrupt: id = MessageId::kPngCorrupt; return true;
    case kPNGTooLarge: id = MessageId::kPngTooLarge; return true;
    default: return false;
    }
}

int EncodePNG(const RasterImage& picture, const uint8_t* weights, const RasterImage* backdrop, bool alpha,
              std::FILE* file)
{
    ByteBuffer row;
    if (!HoldsItsRows(picture) || !row.Allocate(picture.width * (alpha ? 4 : 3)))
        return 0;
    const PNGRowSource source{&picture, weights, backdrop, alpha};
    return EncodeStream(source, row.data, file) ? 1 : 0;
}
