#include "formats/painter/canvas_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef _WIN32
#include <filesystem>
#include <system_error>
#endif

#include "formats/painter/huffman.h"
#include "formats/painter/magic.h"
#include "formats/standard/jpeg_codec.h"
#include "image/canvas_layers.h"
#include "image/byte_source.h"
#include "image/sjis_text.h"

namespace {

constexpr int kCanvasReservedBytes = 46;

// ---------------------------------------------------------------- fields

// A file whose length field cannot be right (negative, or more than the file
// still holds) is damaged from there on: every later field is taken as
// missing, exactly as if the file ended here.
void StopReading(ByteSource& reader) { reader.SkipToEnd(); }

// True when n bytes can follow: not negative and not more than the file
// still holds (or than the picture size limit when that cannot be told).
bool LengthFits(ByteSource& reader, int32_t n)
{
    int64_t available = reader.Remaining();
    return n >= 0 && n <= (available >= 0 ? available : kMaxPixelBytes);
}

// A length-prefixed path into a kPathSize destination. Only the length's
// bytes belong to the path, so it is terminated right after them; a path
// longer than the destination is cut at a character boundary and the rest
// of it skipped, which keeps the following fields in place. A path whose
// bytes are missing leaves the destination as it was.
void ReadPathField(ByteSource& reader, char* dest)
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
// a length that the file cannot hold empties it and ends the read. False
// when the file ends before the length: the block is then kept.
bool ReadCanvasBlock(ByteSource& reader, ByteBuffer& block)
{
    int32_t length = 0;
    if (!reader.I32(length))
        return false;
    if (!LengthFits(reader, length)) {
        block.Free();
        StopReading(reader);
        return true;
    }
    if (!block.AllocateFilled(length, 0)) {
        reader.Skip(static_cast<size_t>(length));
        return true;
    }
    if (length > 0)
        reader.Bytes(block.data, static_cast<size_t>(length));
    return true;
}

// Everything of a canvas but its pixels, staged while the file is read.
struct CanvasHead {
    char subjectPath[kPathSize];
    char painterPath[kPathSize];
    CanvasRecord record;   // canvasBlock starts empty
    bool blockRead = false;
};

void StageHead(CanvasHead& head, const CanvasContents& canvas)
{
    std::memcpy(head.subjectPath, canvas.subjectPath, kPathSize);
    std::memcpy(head.painterPath, canvas.painterPath, kPathSize);
    static_cast<CanvasSettings&>(head.record) = canvas.record;
}

void CommitHead(CanvasContents& canvas, CanvasHead& head)
{
    std::memcpy(canvas.subjectPath, head.subjectPath, kPathSize);
    std::memcpy(canvas.painterPath, head.painterPath, kPathSize);
    if (!head.blockRead)
        head.record.canvasBlock = std::move(canvas.record.canvasBlock);
    canvas.record = std::move(head.record);
}

// ------------------------------------------------------------ the read

}  // namespace

CanvasError DecodeCanvasFile(ByteSource& reader, CanvasContents& canvas, MessageList& messages)
{
    uint8_t magic[12] = {};
    reader.Partial(magic, sizeof magic);
    if (reader.IoError())
        return CanvasError::kReadError;
    if (!IsCanvasMagic(magic)) {
        messages.push_back({MessageId::kNotCanvas, {}});
        return CanvasError::kNotCanvas;
    }
    // A file that ends before its version word cannot say which layout it
    // has, so it is not read at all. It gets no box of its own: the caller
    // reports every failed canvas read.
    int32_t version = 0;
    if (!reader.I32(version))
        return reader.IoError() ? CanvasError::kReadError : CanvasError::kShortHead;
    if (version != 0) {
        messages.push_back({MessageId::kCanvasVersion, {}});
        return CanvasError::kBadVersion;
    }

    // Everything is read into stages and committed only after the last
    // section: a file the system fails to read (an I/O error rather than
    // its end) leaves the canvas as it was.
    CanvasHead head;
    StageHead(head, canvas);
    CanvasRecord& info = head.record;
    ReadPathField(reader, head.subjectPath);
    ReadPathField(reader, head.painterPath);

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
    head.blockRead = ReadCanvasBlock(reader, info.canvasBlock);
    // The under layer's size in the head only matters for a canvas without
    // layer sections, and there nothing reads the under layer (the blend
    // runs only with layers), so no white layer of that size is made.
    int32_t underWidth = 0, underHeight = 0;
    reader.I32(underWidth);
    reader.I32(underHeight);

    // The layers and the picture count against one budget. The mask is
    // brought to its final size before the other sections are read, so that
    // it never exists twice beside them.
    MemoryBudget budget{reader.Limits().memoryBytes};
    MessageList read;
    RasterImage mask;
    RasterImage under;
    if (info.hasLayers == 1) {
        if (HuffDecodeImg(reader, mask, &budget) != kHuffmanDecoded)
            read.push_back({MessageId::kCanvasLayerFailed, {}});
        const int64_t decodedMask = mask.pixels.length;
        PrepareMaskLayer(mask, info.hasLayers, info.maskScale, info.maskLevel);
        budget.Give(decodedMask - mask.pixels.length);
        if (HuffDecodeImg(reader, under, &budget) != kHuffmanDecoded)
            read.push_back({MessageId::kCanvasLayerFailed, {}});
    } else {
        PrepareMaskLayer(mask, info.hasLayers, info.maskScale, info.maskLevel);
    }

    // A main picture that fails to decode keeps the previous one (which the
    // layers are then blended into); a Huffman section damaged in its
    // stream or its weights still replaces it with what was decoded (black
    // where nothing was). So does one the file ends in: what the section
    // left, and nothing at all when the file ended before its size, for the
    // previous document's picture is not this canvas's.
    RasterImage decoded;
    bool cut = false;
    if (format == kCanvasHuffmanPicture) {
        const int result = HuffDecodeImg(reader, decoded, &budget);
        if (result != kHuffmanDecoded)
            read.push_back({MessageId::kCanvasPictureFailed, {}});
        cut = result == kHuffmanTruncated;
    } else if (DecodeJPEG(reader, decoded, &budget) != 1) {
        read.push_back({MessageId::kCanvasJpegFailed, {}});
    }
    if (reader.IoError())
        return CanvasError::kReadError;

    CommitHead(canvas, head);
    messages.insert(messages.end(), read.begin(), read.end());
    RasterImage& picture = canvas.picture;
    if (!decoded.Empty() || cut)
        AdoptPicture(picture, decoded);
    if (format == kCanvasHuffmanPicture)
        picture.FillHeaders();
    if (canvas.record.hasLayers == 1)
        BlendLayers(picture, under, mask);
    return CanvasError::kNone;
}

// The painter's name when its file is missing: the file-name part of the
// painter path's full form. False when the full form cannot be made.
bool PainterNameFromMissingFile(const char* painterPath, char* name, size_t size)
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
