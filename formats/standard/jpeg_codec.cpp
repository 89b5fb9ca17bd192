// JPEG over the libjpeg 6b API (libjpeg-turbo).
//
// Fatal library errors come back through a setjmp recovery point in the
// small C-style functions below; nothing with a destructor lives in a frame
// that a longjmp crosses or returns to, and the buffers they fill belong to
// their callers. The library's own message texts are never shown: the
// callers show the program's messages.
#include "formats/standard/jpeg_codec.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

#include "image/area_reduce.h"
#include "image/memory_budget.h"
#include "image/sjis_text.h"
#include "image/byte_source.h"

namespace {

// The library's error manager followed by the recovery point.
struct JpegErrorRecord {
    jpeg_error_mgr manager;
    std::jmp_buf recovery;
};

// Library messages are formatted for a console the viewer does not have.
void SilentOutputMessage(j_common_ptr) {}

// Fatal error: the standard message output (silenced), then back to the
// recovery point of the object that failed. Never returns to the library.
[[noreturn]] void JpegErrorExit(j_common_ptr cinfo)
{
    (*cinfo->err->output_message)(cinfo);
    auto* record = reinterpret_cast<JpegErrorRecord*>(cinfo->err);
    std::longjmp(record->recovery, 1);
}

void SetUpErrors(JpegErrorRecord& record)
{
    jpeg_std_error(&record.manager);
    record.manager.error_exit = JpegErrorExit;
    record.manager.output_message = SilentOutputMessage;
}

// The decoder may use for its own tables and coefficient buffers at most
// this much, so that a hostile header cannot make it allocate without bound:
// with the output picture's block it stays within 3 blocks of the size
// limit and 64 MiB. The largest buffers are the whole-picture coefficients
// of a progressive or multi-scan stream, 2 bytes a sample: a 3-component
// 4:4:4 picture at the size limit needs 2 blocks (plus the rounding of its
// sides to whole 8 x 8 blocks), so every colour picture the limit allows
// still decodes. Four components (CMYK) need 8 bytes a pixel and are refused
// above about 75 megapixels when stored progressive. The library's buffers
// beyond this limit would need backing store, which it does not have: the
// request fails with a library error, through the recovery point.
constexpr long kDecoderMemoryLimit = static_cast<long>(2 * (kMaxPixelBytes >> 20) + 64) << 20;

// Encoders write a few scans: 10 for a progressive colour picture with the
// library's defaults, a few dozen at most with custom scan scripts. Each scan
// costs the decoder a pass over the picture's coefficients, so a stream of
// thousands of near-empty scans (a dozen bytes each) would keep it busy for
// seconds; past this many the stream is refused.
constexpr int kMaxScans = 100;

// The decoder's progress hook, called before each unit of input it takes in,
// jpeg_start_decompress's absorption of a multi-scan stream included: past
// kMaxScans it leaves through the error exit and so the recovery point.
void LimitScans(j_common_ptr cinfo)
{
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        (*cinfo->err->error_exit)(cinfo);
}

// One scanline in the output colour space to blue, green, red.
void StoreRow(const JSAMPLE* in, uint8_t* out, JDIMENSION width, int components, J_COLOR_SPACE space,
              bool invertedCmyk)
{
    if (components == 3) {
        for (JDIMENSION x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    } else if (components == 4 && space == JCS_CMYK) {
        // Adobe files store inverted CMYK (255 = no ink); others the plain form.
        for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
            unsigned c = in[0], m = in[1], y = in[2], k = in[3];
            if (!invertedCmyk) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            out[0] = static_cast<uint8_t>((y * k + 127) / 255);
            out[1] = static_cast<uint8_t>((m * k + 127) / 255);
            out[2] = static_cast<uint8_t>((c * k + 127) / 255);
        }
    } else {
        // Any other layout shows as grey from its first component.
        for (JDIMENSION x = 0; x < width; ++x, in += components, out += 3)
            out[0] = out[1] = out[2] = in[0];
    }
}

// The library's source manager over a ByteSource, reading as the library's
// own file source does (the same block size, the same handling of an empty
// or short stream), so that a stream decodes alike from a file or from
// memory and leaves the source where the file source left the file.
constexpr size_t kSourceBlockBytes = 4096;

struct SourceManager {
    jpeg_source_mgr pub;
    ByteSource* source;
    JOCTET* buffer;
    boolean startOfFile;
};

void InitSource(j_decompress_ptr cinfo)
{
    reinterpret_cast<SourceManager*>(cinfo->src)->startOfFile = TRUE;
}

// A source that has nothing more: at its start that is no stream at all; later
// a warning and an end marker of the manager's own, so that a short stream
// still decodes (the rest of the picture grey).
boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    SourceManager* src = reinterpret_cast<SourceManager*>(cinfo->src);
    size_t got = src->source->Read(src->buffer, kSourceBlockBytes);
    if (got == 0) {
        if (src->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = static_cast<JOCTET>(0xFF);
        src->buffer[1] = static_cast<JOCTET>(JPEG_EOI);
        got = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = got;
    src->startOfFile = FALSE;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count)
{
    jpeg_source_mgr* src = cinfo->src;
    if (count <= 0)
        return;
    while (count > static_cast<long>(src->bytes_in_buffer)) {
        count -= static_cast<long>(src->bytes_in_buffer);
        (*src->fill_input_buffer)(cinfo);
    }
    src->next_input_byte += static_cast<size_t>(count);
    src->bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

// In the library's permanent pool, as its file source is, so that its
// memory accounting (and with it what the limit leaves the decoder) is the
// same.
void UseByteSource(j_decompress_ptr cinfo, ByteSource& source)
{
    const j_common_ptr common = reinterpret_cast<j_common_ptr>(cinfo);
    auto* src = static_cast<SourceManager*>((*cinfo->mem->alloc_small)(common, JPOOL_PERMANENT, sizeof(SourceManager)));
    src->buffer =
        static_cast<JOCTET*>((*cinfo->mem->alloc_small)(common, JPOOL_PERMANENT, kSourceBlockBytes * sizeof(JOCTET)));
    src->source = &source;
    src->pub.init_source = InitSource;
    src->pub.fill_input_buffer = FillInputBuffer;
    src->pub.skip_input_data = SkipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    cinfo->src = &src->pub;
}

// Pictures of at most this many pixels decode whole even for a thumbnail:
// they decode fast, and the area average of the whole picture is exact,
// where the library's scaled decoding is a close approximation (up to a few
// levels on sharp edges).
constexpr int64_t kScaledDecodeAbovePixels = int64_t{2048} * 2048;

// The denominator of the library's DCT scaling (1/1, 1/2, 1/4 or 1/8) for
// a picture wanted at most side x side: the smallest scale whose picture
// still has at least twice the reduced size on both sides, so that the area
// average that follows still averages whole blocks of the scaled pixels.
unsigned ScaleDenominatorFor(JDIMENSION width, JDIMENSION height, int32_t side)
{
    if (int64_t{width} * height <= kScaledDecodeAbovePixels)
        return 1;
    const ReducedSize want = FitWithin(static_cast<int32_t>(width), static_cast<int32_t>(height), side);
    unsigned denominator = 1;
    while (denominator < 8) {
        const unsigned next = 2 * denominator;
        const int64_t w = (int64_t{width} + next - 1) / next, h = (int64_t{height} + next - 1) / next;
        if (w < 2 * int64_t{want.width} || h < 2 * int64_t{want.height})
            break;
        denominator = next;
    }
    return denominator;
}

// The whole-picture coefficient buffers the library keeps while it decodes
// a stream of several scans or encodes a progressive one: 64 two-byte
// coefficients a block, each component's blocks rounded up to its sampling
// factors. Told to the memory watcher (memory_budget.h) before the library
// takes them; the caller gives them back once the library is done.
int64_t NoteCoefficients(const jpeg_component_info* components, int count, JDIMENSION width, JDIMENSION height)
{
    int maxH = 1, maxV = 1;
    for (int c = 0; c < count; ++c) {
        maxH = std::max(maxH, components[c].h_samp_factor);
        maxV = std::max(maxV, components[c].v_samp_factor);
    }
    int64_t bytes = 0;
    for (int c = 0; c < count; ++c) {
        const int64_t h = std::max(components[c].h_samp_factor, 1), v = std::max(components[c].v_samp_factor, 1);
        const int64_t across = (int64_t{width} * h + 8 * maxH - 1) / (8 * maxH);
        const int64_t down = (int64_t{height} * v + 8 * maxV - 1) / (8 * maxV);
        bytes += (across + h - 1) / h * h * ((down + v - 1) / v * v) * static_cast<int64_t>(sizeof(JBLOCK));
    }
    NoteMemoryUse(bytes);
    return bytes;
}

// Decodes the stream into work (stride x height bytes, bottom-up BGR), at
// full size, or with reduceForSide > 0 scaled down by the library as far as
// ScaleDenominatorFor allows. Returns false after a fatal library error or a
// refused size; work then holds no picture. The coefficient buffers told to
// the memory watcher are added to `coefficients`.
bool DecodeStream(ByteSource& source, ByteBuffer& work, int32_t& width, int32_t& height, int32_t reduceForSide,
                  int64_t memoryLeft, int64_t& coefficients)
{
    jpeg_decompress_struct cinfo;
    JpegErrorRecord errors;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = LimitScans;
    cinfo.err = &errors.manager;
    SetUpErrors(errors);
    if (setjmp(errors.recovery)) {
        jpeg_destroy_decompress(&cinfo);
        work.Free();
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kDecoderMemoryLimit;
    // Before jpeg_start_decompress, which takes in every scan of a
    // progressive stream.
    cinfo.progress = &progress;
    UseByteSource(&cinfo, source);
    jpeg_read_header(&cinfo, TRUE);

    // Greyscale comes out as RGB; CMYK and YCCK as CMYK, converted per row.
    const bool fourComponents = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = fourComponents ? JCS_CMYK : JCS_RGB;
    const bool invertedCmyk = cinfo.saw_Adobe_marker != 0;

    if (!source.Limits().PictureAllowed(cinfo.image_width, cinfo.image_height)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (reduceForSide > 0) {
        cinfo.scale_num = 1;
        cinfo.scale_denom = ScaleDenominatorFor(cinfo.image_width, cinfo.image_height, reduceForSide);
    }
    // The picture and the decoder's buffers share what the open has left;
    // on their own that is never less than the decoder's limit.
    jpeg_calc_output_dimensions(&cinfo);
    const int64_t block = StrideForWidth(cinfo.output_width) * cinfo.output_height;
    if (block > memoryLeft) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.mem->max_memory_to_use = static_cast<long>(std::min<int64_t>(kDecoderMemoryLimit, memoryLeft - block));
    if (jpeg_has_multiple_scans(&cinfo))
        coefficients += NoteCoefficients(cinfo.comp_info, cinfo.num_components, cinfo.image_width, cinfo.image_height);
    jpeg_start_decompress(&cinfo);

    const JDIMENSION w = cinfo.output_width;
    const JDIMENSION h = cinfo.output_height;
    const int components = cinfo.output_components;
    JSAMPARRAY scanline =
        (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, w * components, 1);

    const int64_t stride = StrideForWidth(w);
    if (!PictureSizeAllowed(w, h) || !work.Allocate(static_cast<int32_t>(stride * h))) {
        jpeg_destroy_decompress(&cinfo);
        work.Free();
        return false;
    }
    const size_t padding = static_cast<size_t>(stride - 3 * int64_t{w});
    while (cinfo.output_scanline < h) {
        // Top row first: it lands in the last row of the block.
        uint8_t* row = work.data + (int64_t{h} - 1 - cinfo.output_scanline) * stride;
        jpeg_read_scanlines(&cinfo, scanline, 1);
        StoreRow(scanline[0], row, w, components, cinfo.out_color_space, invertedCmyk);
        if (padding)
            std::memset(row + 3 * w, 0, padding);
    }
    jpeg_finish_decompress(&cinfo);
    // The source manager takes a short read for the end of the file: it
    // warns and inserts an end marker, and the rest of the picture decodes as
    // grey. After a read error that is a damaged picture, not a short file.
    if (source.IoError()) {
        jpeg_destroy_decompress(&cinfo);
        work.Free();
        return false;
    }
    // The source manager reads ahead in blocks; give back what it fetched
    // past the end of the stream so that the source is left right after the
    // JPEG data, where painter files go on with their next sections. (At the
    // end of the file it inserts an end marker of its own, which is consumed
    // by now and leaves nothing to give back.)
    const size_t unread = cinfo.src->bytes_in_buffer;
    jpeg_destroy_decompress(&cinfo);
    if (unread > 0)
        source.StepBack(unread);
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
}

bool DecodeToBuffer(ByteSource& source, ByteBuffer& work, int32_t& width, int32_t& height, int32_t reduceForSide,
                    int64_t memoryLeft)
{
    int64_t coefficients = 0;
    const bool decoded = DecodeStream(source, work, width, height, reduceForSide, memoryLeft, coefficients);
    NoteMemoryUse(-coefficients);
    return decoded;
}

// Encodes the picture; the coefficient buffers of a progressive stream told
// to the memory watcher are added to `coefficients`.
bool EncodeFromPicture(std::FILE* file, const RasterImage& picture, int quality, bool progressive, uint8_t* row,
                       int64_t& coefficients)
{
    jpeg_compress_struct cinfo;
    JpegErrorRecord errors;
    cinfo.err = &errors.manager;
    SetUpErrors(errors);
    if (setjmp(errors.recovery)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) {
        jpeg_simple_progression(&cinfo);
        coefficients += NoteCoefficients(cinfo.comp_info, cinfo.num_components, cinfo.image_width, cinfo.image_height);
    }
    jpeg_start_compress(&cinfo, TRUE);

    JSAMPROW rows[1] = {row};
    while (cinfo.next_scanline < cinfo.image_height) {
        // The last row in memory is the picture's top row.
        const uint8_t* source =
            picture.pixels.data + (int64_t{picture.height} - 1 - cinfo.next_scanline) * picture.stride;
        for (int32_t x = 0; x < picture.width; ++x) {
            row[3 * x + 0] = source[3 * x + 2];
            row[3 * x + 1] = source[3 * x + 1];
            row[3 * x + 2] = source[3 * x + 0];
        }
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

int DecodeJPEG(ByteSource& source, RasterImage& picture, MemoryBudget* budget)
{
    ByteBuffer work;
    int32_t width = 0, height = 0;
    if (!DecodeToBuffer(source, work, width, height, 0, budget ? budget->left : source.Limits().memoryBytes))
        return 0;
    // The picture changes only now, after the whole stream decoded.
    if (picture.TakePixels(work, width, height) != kRasterOk)
        return 0;
    picture.FillHeaders();
    if (budget)
        budget->Take(picture.pixels.length);
    return 1;
}

int ReadJPEG(const InputFile& input, RasterImage& picture)
{
    ByteSource source;
    if (!source.Open(input))
        return -1;
    return DecodeJPEG(source, picture) == 1 ? 1 : 0;
}

int ReadJPEGReduced(const InputFile& input, int32_t side, RasterImage& picture)
{
    ByteBuffer work;
    int32_t width = 0, height = 0;
    {
        ByteSource source;
        if (!source.Open(input))
            return -1;
        if (!DecodeToBuffer(source, work, width, height, side, source.Limits().memoryBytes))
            return 0;
    }
    if (picture.TakePixels(work, width, height) != kRasterOk)
        return 0;
    picture.FillHeaders();
    return 1;
}

bool IsJPEGName(const char* path)
{
    // Any of ".jpg", "jpeg" and the names that mix them (".peg", "jjpg").
    static const char* const accepted[4] = {".jJ", "jJpP", "pPeE", "gG"};
    return NameEndsIn(path, accepted, 4);
}

int LoadJPEG(FrontEnd& ui, const InputFile& input, int showMessages, RasterImage& picture)
{
    if (ReadJPEG(input, picture) == 1) {
        CopyText(picture.path, sizeof picture.path, input.path);
        return 0;
    }
    if (showMessages)
        ui.ShowMessage(MessageId::kJpegOpenFailed2, nullptr, BoxOwner::kWindow);
    return -1;
}

int EncodeJPEG(const RasterImage& picture, int quality, int progressive, std::FILE* file)
{
    // A picture whose block does not hold its rows is not read from.
    if (picture.width < 0 || picture.height < 0 ||
        int64_t{picture.stride} * picture.height > picture.pixels.length ||
        int64_t{picture.stride} < 3 * int64_t{picture.width})
        return 0;
    ByteBuffer row;
    if (!row.Allocate(picture.width > 0 ? 3 * picture.width : 1))
        return 0;
    int64_t coefficients = 0;
    const bool encoded = EncodeFromPicture(file, picture, quality, progressive != 0, row.data, coefficients);
    NoteMemoryUse(-coefficients);
    return encoded ? 1 : 0;
}
