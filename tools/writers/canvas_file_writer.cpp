#include "tools/writers/canvas_file_writer.h"

#include "formats/standard/jpeg_codec.h"
#include "image/little_endian.h"
#include "tools/writers/huffman_writer.h"

namespace {

void AppendI32(std::vector<uint8_t>& out, int32_t v)
{
    uint8_t b[4];
    StoreI32LE(b, v);
    out.insert(out.end(), b, b + 4);
}

void AppendLengthAndBytes(std::vector<uint8_t>& out, const uint8_t* data, size_t length)
{
    AppendI32(out, static_cast<int32_t>(length));
    out.insert(out.end(), data, data + length);
}

bool WriteBytes(std::FILE* file, const std::vector<uint8_t>& bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

}  // namespace

void AppendCanvasHead(std::vector<uint8_t>& out, const CanvasFileFields& fields)
{
    out.insert(out.end(), fields.magic, fields.magic + sizeof fields.magic);
    AppendI32(out, fields.version);
    AppendLengthAndBytes(out, reinterpret_cast<const uint8_t*>(fields.subjectPath.data()), fields.subjectPath.size());
    AppendLengthAndBytes(out, reinterpret_cast<const uint8_t*>(fields.painterPath.data()), fields.painterPath.size());
    for (int32_t value : fields.canvasValues)
        AppendI32(out, value);
    out.push_back(fields.mainFormat);
    out.push_back(fields.hasLayers);
    out.push_back(static_cast<uint8_t>(fields.maskLevel));
    out.push_back(static_cast<uint8_t>(fields.maskScale));
    out.insert(out.end(), 46, fields.reservedFill);
    AppendLengthAndBytes(out, fields.canvasBlock.data(), fields.canvasBlock.size());
    AppendI32(out, fields.underWidth);
    AppendI32(out, fields.underHeight);
}

bool WriteCanvasFile(std::FILE* file, const CanvasFileFields& fields)
{
    std::vector<uint8_t> bytes;
    AppendCanvasHead(bytes, fields);
    if (fields.hasLayers == 1) {
        if (!fields.maskLayer || !fields.underLayer || !AppendHuffmanSection(bytes, *fields.maskLayer) ||
            !AppendHuffmanSection(bytes, *fields.underLayer))
            return false;
    }
    if (fields.mainPicture && fields.mainFormat == 1 && !AppendHuffmanSection(bytes, *fields.mainPicture))
        return false;
    if (!WriteBytes(file, bytes))
        return false;
    if (fields.mainPicture && fields.mainFormat != 1)
        return EncodeJPEG(*fields.mainPicture, fields.jpegQuality, 0, file) == 1;
    return true;
}

bool WriteCanvasFile(const char* path, const CanvasFileFields& fields)
{
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    bool ok = WriteCanvasFile(file, fields);
    return std::fclose(file) == 0 && ok;
}
