#include "tools/writers/painter_file_writer.h"


#include "formats/standard/jpeg_codec.h"
#include "image/little_endian.h"
#include "tools/writers/packed_picture_writer.h"

namespace {


void PutI32(std::vector<uint8_t>& out, int32_t v)
{
    uint8_t b[4];
    StoreI32LE(b, v);
    out.insert(out.end(), b, b + 4);
}

void PutF32(std::vector<uint8_t>& out, float v)
{
    uint8_t b[4];
    StoreF32LE(b, v);
    out.insert(out.end(), b, b + 4);
}

void PutBytes(std::vector<uint8_t>& out, const void* bytes, size_t n)
{
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    out.insert(out.end(), p, p + n);
}

void PutMagicAndVersion(std::vector<uint8_t>& out, const PainterFileLayout& layout)
{
    PutBytes(out, "esi file 0", 10);
    out.push_back(static_cast<uint8_t>(layout.magicLetter));
    out.push_back(layout.magicLast);
    PutI32(out, layout.version);
}

void PutPen(std::vector<uint8_t>& out, const PenSettings& pen)
{
    for (int32_t v : {pen.shape, pen.width, pen.height, pen.alpha, pen.consistency, pen.density, pen.stroke,
                      pen.strokeStep, pen.interval, pen.step, pen.auxInt})
        PutI32(out, v);
    for (float f : pen.auxFloats)
        PutF32(out, f);
    for (int32_t v : pen.auxInts)
        PutI32(out, v);
    PutF32(out, pen.brightness);
    PutF32(out, pen.hue);
    PutF32(out, pen.saturation);
    PutI32(out, pen.brightnessParam);
    PutI32(out, pen.hueParam);
    PutI32(out, pen.saturationParam);
}

void PutHybrids(std::vector<uint8_t>& out, const PenSettings& pen)
{
    PutI32(out, pen.shapeAux);
    for (int32_t v : pen.hybridShapes)
        PutI32(out, v);
}

void PutCountersPensAndRanges(std::vector<uint8_t>& out, const PainterRecord& p)
{
    for (int32_t v : {p.isMaster, p.opaqueB, p.RefreshedCount, p.Exp, p.RefreshExp, p.PaintedCount})
        PutI32(out, v);
    PutPen(out, p.fillPen);
    PutPen(out, p.outlinePen);
    PutF32(out, p.ErrorRangeForL);
    PutF32(out, p.ErrorRangeForH);
    for (int32_t v : {p.LoopTimeForL, p.LoopTimeForH, p.RegionSwitch, p.PL, p.opaqueA})
        PutI32(out, v);
}

}  // namespace

std::vector<uint8_t> PainterHeaderBytes(const PainterFileLayout& layout)
{
    const PainterRecord& p = layout.painter;
    std::vector<uint8_t> out;
    PutMagicAndVersion(out, layout);
    PutBytes(out, p.name, 50);
    PutI32(out, p.opaqueD);
    PutI32(out, layout.pictureFormat);
    for (uint8_t b : {p.opaqueC, layout.penPicturesFlag, p.extraPresent, static_cast<uint8_t>(p.Type), p.opaqueE,
                      layout.memoFlag})
        out.push_back(b);
    out.insert(out.end(), 40, layout.reservedFill);
    PutCountersPensAndRanges(out, p);
    PutHybrids(out, p.fillPen);
    PutHybrids(out, p.outlinePen);
    out.insert(out.end(), 152, layout.reservedFill);
    return out;
}

std::vector<uint8_t> ShortPainterBytes(const PainterFileLayout& layout)
{
    const PainterRecord& p = layout.painter;
    std::vector<uint8_t> out;
    PutMagicAndVersion(out, layout);
    PutBytes(out, p.name, 50);
    PutI32(out, p.opaqueD);
    PutI32(out, layout.pictureFormat);
    out.push_back(p.opaqueC);
    out.insert(out.end(), 40, layout.reservedFill);
    PutCountersPensAndRanges(out, p);
    out.insert(out.end(), 152, layout.reservedFill);
    return out;
}

void AppendPainterSections(std::vector<uint8_t>& out, const PainterFileLayout& layout)
{
    const PainterRecord& p = layout.painter;
    if (layout.penPicturesFlag == 1) {
        AppendPackedPicture(out, p.fillPenPicture, layout.penPictureMode);
        PutBytes(out, p.fillPenName, sizeof p.fillPenName);
        AppendPackedPicture(out, p.outlinePenPicture, layout.penPictureMode);
        PutBytes(out, p.outlinePenName, sizeof p.outlinePenName);
    }
    if (p.extraPresent == 1) {
        PutBytes(out, p.extraTableA, sizeof p.extraTableA);
        PutBytes(out, p.extraTableB, sizeof p.extraTableB);
        PutI32(out, p.extraValueA);
        out.push_back(p.extraFlag);
        PutI32(out, p.extraValueB);
    }
    if (layout.memoFlag == 1)
        PutBytes(out, p.memo, sizeof p.memo);
}

bool AppendJpegStream(std::vector<uint8_t>& out, const RasterImage& picture, int quality)
{
    std::FILE* file = std::tmpfile();
    if (!file)
        return false;
    bool ok = EncodeJPEG(picture, quality, 0, file) == 1 && std::fflush(file) == 0 &&
              std::fseek(file, 0, SEEK_SET) == 0;
    size_t start = out.size();
    uint8_t block[4096];
    size_t got;
    while (ok && (got = std::fread(block, 1, sizeof block, file)) > 0)
        out.insert(out.end(), block, block + got);
    ok = ok && !std::ferror(file);
    std::fclose(file);
    if (!ok) {
        out.resize(start);
        return false;
    }
    return true;
}

std::vector<uint8_t> PainterFileBytes(const PainterFileLayout& layout)
{
    std::vector<uint8_t> out = PainterHeaderBytes(layout);
    if (layout.pictureFormat == 0) {
        if (!AppendJpegStream(out, layout.picture, layout.jpegQuality))
            return {};
    } else {
        AppendPackedPicture(out, layout.picture, layout.pictureMode);
    }
    AppendPainterSections(out, layout);
    return out;
}

bool WriteBytesToFile(const char* path, const std::vector<uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

bool WritePainterFile(const char* path, const PainterFileLayout& layout)
{
    std::vector<uint8_t> bytes = PainterFileBytes(layout);
    return !bytes.empty() && WriteBytesToFile(path, bytes);
}
