#include "formats/painter/painter_reader.h"

#include <algorithm>
#include <cstring>

#include "formats/painter/magic.h"
#include "formats/standard/jpeg_codec.h"
#include "image/byte_buffer.h"
#include "image/sjis_text.h"

namespace {

constexpr int kReservedAfterFlags = 40;
constexpr int kReservedAfterHybrids = 152;

// Magic and version, the same in both layouts. The record is not touched.
// A magic the file cannot supply in full stays all zero and so is refused.
PainterError ReadMagicAndVersion(ByteSource& in)
{
    uint8_t magic[kPainterMagicBytes] = {};
    in.Bytes(magic, sizeof magic);
    if (!IsPainterMagic(magic))
        return PainterError::kNotPainter;
    int32_t version = 0;
    in.I32(version);
    return version == 0 ? PainterError::kNone : PainterError::kBadVersion;
}

// The 50 name bytes go to the start of the name; the rest of the buffer is
// cleared so that a longer earlier name (the canvas reader can set one from a
// file name) does not show through behind a name without a terminator.
void ReadName(ByteSource& in, PainterValues& painter)
{
    char bytes[kPainterNameBytes];
    if (in.Bytes(bytes, sizeof bytes)) {
        std::memcpy(painter.name, bytes, sizeof bytes);
        std::memset(painter.name + sizeof bytes, 0, sizeof painter.name - sizeof bytes);
    }
}

// A fixed text field as long as its buffer. The last byte is always the
// terminator, so a field that fills the whole buffer loses its last byte
// rather than running into the member after it.
void ReadText(ByteSource& in, char* text, size_t size)
{
    if (in.Bytes(text, size))
        text[size - 1] = '\0';
}

// A pen's 24 values from its shape on: shape, the 18 values, hue,
// saturation, brightnessParam, hueParam, saturationParam. Both layouts store
// them in this order.
void ReadPen(ByteSource& in, PenSettings& pen)
{
    in.I32(pen.shape);
    in.I32(pen.width);
    in.I32(pen.height);
    in.I32(pen.alpha);
    in.I32(pen.consistency);
    in.I32(pen.density);
    in.I32(pen.stroke);
    in.I32(pen.strokeStep);
    in.I32(pen.interval);
    in.I32(pen.step);
    in.I32(pen.auxInt);
    for (float& f : pen.auxFloats)
        in.F32(f);
    for (int32_t& v : pen.auxInts)
        in.I32(v);
    in.F32(pen.brightness);
    in.F32(pen.hue);
    in.F32(pen.saturation);
    in.I32(pen.brightnessParam);
    in.I32(pen.hueParam);
    in.I32(pen.saturationParam);
}

void ReadHybrids(ByteSource& in, PenSettings& pen)
{
    in.I32(pen.shapeAux);
    for (int32_t& v : pen.hybridShapes)
        in.I32(v);
}

// From isMaster to opaqueA: the counters, both pens and the ranges, laid out
// alike in both forms once their flag bytes and reserved block are behind.
void ReadCountersPensAndRanges(ByteSource& in, PainterValues& painter)
{
    in.I32(painter.isMaster);
    in.I32(painter.opaqueB);
    in.I32(painter.RefreshedCount);
    in.I32(painter.Exp);
    in.I32(painter.RefreshExp);
    in.I32(painter.PaintedCount);
    ReadPen(in, painter.fillPen);
    ReadPen(in, painter.outlinePen);
    in.F32(painter.ErrorRangeForL);
    in.F32(painter.ErrorRangeForH);
    in.I32(painter.LoopTimeForL);
    in.I32(painter.LoopTimeForH);
    in.I32(painter.RegionSwitch);
    in.I32(painter.PL);
    in.I32(painter.opaqueA);
}

void ReadExtraTables(ByteSource& in, PainterValues& painter)
{
    in.Bytes(painter.extraTableA, sizeof painter.extraTableA);
    in.Bytes(painter.extraTableB, sizeof painter.extraTableB);
    in.I32(painter.extraValueA);
    in.U8(painter.extraFlag);
    in.I32(painter.extraValueB);
}

void ReadPenPictures(ByteSource& in, PainterValues& painter, RasterImage& fillPicture, RasterImage& outlinePicture)
{
    ReadPackedPicture(in, kPenPictureSize, kPenPictureSize, fillPicture);
    ReadText(in, painter.fillPenName, sizeof painter.fillPenName);
    ReadPackedPicture(in, kPenPictureSize, kPenPictureSize, outlinePicture);
    ReadText(in, painter.outlinePenName, sizeof painter.outlinePenName);
}

// Raw bytes: the first N go to the buffer from its start. Bytes past the end
// of the file become 0xFF; bytes beyond the buffer are read past.
void ReadRawBytes(ByteSource& in, RasterImage& picture, int32_t count)
{
    if (count <= 0)
        return;
    int64_t stored = std::min<int64_t>(count, picture.pixels.length);
    if (stored > 0) {
        size_t got = in.Partial(picture.pixels.data, static_cast<size_t>(stored));
        std::memset(picture.pixels.data + got, 0xFF, static_cast<size_t>(stored) - got);
    }
    if (count > stored)
        in.Skip(static_cast<size_t>(count - stored));   // stops at the end of the file
}

// Three run-length planes of N / 3 bytes each; plane i holds the buffer
// bytes i, i + 3, i + 6, ... The scratch plane holds only as many bytes as
// a plane can place in the buffer, however large N is.
void ReadRunPlanes(ByteSource& in, RasterImage& picture, int32_t count)
{
    const int64_t planeBytes = count > 0 ? count / 3 : 0;
    const int64_t bufferBytes = picture.pixels.length;
    const int64_t capacity = std::min<int64_t>(planeBytes, (bufferBytes + 2) / 3);
    ByteBuffer plane(static_cast<int32_t>(capacity));
    const int64_t stored = plane.length;   // 0 when the scratch plane could not be had
    for (int i = 0; i < 3; ++i) {
        int64_t produced = DecodeRunPlane(in, planeBytes, plane.data, stored);
        int64_t usable = std::min(produced, stored);
        for (int64_t j = 0; j < usable && 3 * j + i < bufferBytes; ++j)
            picture.pixels.data[3 * j + i] = plane.data[j];
    }
}

}  // namespace

int64_t DecodeRunPlane(ByteSource& in, int64_t count, uint8_t* plane, int64_t capacity)
{
    int64_t produced = 0;
    while (produced < count) {
        int value = in.Byte();
        int64_t zeros = 0;
        int last;
        while ((last = in.Byte()) == 0)
            ++zeros;
        // A length cut off by the end of the file counts with B = -1: the
        // run is 256 x zeros - 1 copies (none without zeros), bounded by the
        // plane like any other, and the plane's last: what the cut length
        // still describes is shown rather than dropped.
        int64_t length = 256 * zeros + last;
        int64_t end = std::min(count, produced + std::max<int64_t>(length, 0));
        int64_t storeEnd = std::min(end, capacity);
        if (storeEnd > produced)
            std::memset(plane + produced, value & 0xFF, static_cast<size_t>(storeEnd - produced));
        produced = end;
        if (last < 0)
            break;
    }
    return produced;
}

int ReadPackedPicture(ByteSource& in, int32_t width, int32_t height, RasterImage& picture)
{
    // A head the file cannot supply reads as mode 0 with no bytes.
    int32_t mode = kPackedModeRaw;
    int32_t count = 0;
    in.I32(mode);
    in.I32(count);

    bool made = picture.ResizeAndFill(width, height, 0) == kRasterOk;
    picture.FillHeaders();

    if (mode == kPackedModeRuns)
        ReadRunPlanes(in, picture, count);
    else if (mode == kPackedModeRaw)
        ReadRawBytes(in, picture, count);
    else
        return kPackedBadMode;
    return made ? kPackedRead : kPackedNoPicture;
}

namespace {

// What a painter file gives besides its values: pictures that the read
// replaces. Each is taken over only when `read` says the file replaced it.
struct PainterPictures {
    RasterImage picture, fillPen, outlinePen;
    bool pictureRead = false, pensRead = false;
};

PainterError ReadPainterSections(ByteSource& in, PainterValues& painter, PainterPictures& pictures,
                                 MessageList& messages)
{
    const PainterError error = ReadMagicAndVersion(in);
    if (error != PainterError::kNone)
        return error;

    // A format word the file cannot supply is no format at all: such a file
    // ends inside its header and is refused like a wrong format word.
    int32_t format = -1;
    uint8_t penPicturesFlag = 0;
    uint8_t memoFlag = 0;
    ReadName(in, painter);
    in.I32(painter.opaqueD);
    in.I32(format);
    in.U8(painter.opaqueC);
    in.U8(penPicturesFlag);
    in.U8(painter.extraPresent);
    in.I8(painter.Type);
    in.U8(painter.opaqueE);
    in.U8(memoFlag);
    in.Skip(kReservedAfterFlags);
    ReadCountersPensAndRanges(in, painter);
    ReadHybrids(in, painter.fillPen);
    ReadHybrids(in, painter.outlinePen);
    in.Skip(kReservedAfterHybrids);

    if (format == kPainterPicturePacked) {
        ReadPackedPicture(in, kPainterPictureSize, kPainterPictureSize, pictures.picture);
        pictures.pictureRead = true;
    } else if (format == kPainterPictureJpeg) {
        // The decoder leaves the file right after the JPEG data, where the
        // sections after the picture start.
        pictures.pictureRead = DecodeJPEG(in, pictures.picture) == 1;
        if (!pictures.pictureRead)
            messages.push_back({MessageId::kPainterJpegFailed, {}});
    } else {
        return PainterError::kNotPainter;
    }

    if (penPicturesFlag == 1) {
        ReadPenPictures(in, painter, pictures.fillPen, pictures.outlinePen);
        pictures.pensRead = true;
    } else {
        CopyText(painter.fillPenName, sizeof painter.fillPenName, "---");
        CopyText(painter.outlinePenName, sizeof painter.outlinePenName, "---");
    }
    if (painter.extraPresent == 1)
        ReadExtraTables(in, painter);
    else
        painter.ResetExtraTables();
    if (memoFlag == 1)
        ReadText(in, painter.memo, sizeof painter.memo);
    else
        std::memset(painter.memo, 0, sizeof painter.memo);
    return PainterError::kNone;
}

}  // namespace

PainterError DecodePainter(ByteSource& in, PainterRecord& painter, RasterImage& picture, MessageList& messages)
{
    // The read works on copies: a file the system fails to read (an I/O
    // error rather than its end) changes nothing.
    PainterValues values = painter;
    PainterPictures pictures;
    MessageList read;
    const PainterError error = ReadPainterSections(in, values, pictures, read);
    if (in.IoError())
        return PainterError::kReadError;
    static_cast<PainterValues&>(painter) = values;
    if (pictures.pictureRead)
        AdoptPicture(picture, pictures.picture);
    if (pictures.pensRead) {
        AdoptPicture(painter.fillPenPicture, pictures.fillPen);
        AdoptPicture(painter.outlinePenPicture, pictures.outlinePen);
    }
    messages.insert(messages.end(), read.begin(), read.end());
    return error;
}

PainterError DecodePainterShort(ByteSource& in, PainterRecord& painter)
{
    const PainterError error = ReadMagicAndVersion(in);
    if (error != PainterError::kNone)
        return in.IoError() ? PainterError::kReadError : error;

    // Only the name is wanted (a canvas names its painter by it), so after
    // the version word nothing refuses the file: a file that ends early
    // gives what it has, and the values it lacks keep the record's.
    PainterValues values = painter;
    ReadName(in, values);
    in.I32(values.opaqueD);
    in.Skip(4);   // the picture format word, not used here
    in.U8(values.opaqueC);
    in.Skip(kReservedAfterFlags);
    ReadCountersPensAndRanges(in, values);
    in.Skip(kReservedAfterHybrids);
    if (in.IoError())
        return PainterError::kReadError;
    static_cast<PainterValues&>(painter) = values;
    return PainterError::kNone;
}
