#include "tools/writers/item_file_writer.h"

#include "image/little_endian.h"
#include "tools/writers/packed_picture_writer.h"
#include "tools/writers/painter_file_writer.h"

namespace {

void PutI32(std::vector<uint8_t>& out, int32_t v)
{
    uint8_t b[4];
    StoreI32LE(b, v);
    out.insert(out.end(), b, b + 4);
}

// text in a field of exactly `bytes` bytes: cut when longer, zero-padded when shorter.
void PutField(std::vector<uint8_t>& out, const std::string& text, size_t bytes)
{
    size_t n = text.size() < bytes ? text.size() : bytes;
    out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    out.insert(out.end(), bytes - n, 0);
}

}  // namespace

std::vector<uint8_t> ItemFileBytes(const ItemFileLayout& layout)
{
    const ItemRecord& item = layout.item;
    std::vector<uint8_t> out;
    PutField(out, layout.magic, 12);
    PutI32(out, layout.version);
    PutI32(out, layout.itemKind);
    PutI32(out, layout.longTextFlag);
    out.insert(out.end(), 196, layout.reservedFill);
    PutI32(out, layout.nameLength.value_or(static_cast<int32_t>(layout.name.size())));
    out.insert(out.end(), layout.name.begin(), layout.name.end());
    for (int32_t v : {item.penSelector, item.penAux})
        PutI32(out, v);
    for (int32_t v : item.penShapes)
        PutI32(out, v);
    for (int32_t v : {item.penWidth, item.penConsistency, item.penDensity, item.itemValueA, item.itemValueB,
                      item.itemValueE, item.itemValueC, item.itemValueF, item.itemValueD, item.itemValueG})
        PutI32(out, v);
    for (int32_t v : item.itemRunA)
        PutI32(out, v);
    for (int32_t v : item.itemRunB)
        PutI32(out, v);
    PutField(out, layout.shortText, kItemShortTextBytes);
    AppendPackedPicture(out, layout.picture, layout.pictureMode);
    if (layout.longTextFlag == 1)
        PutField(out, layout.longText, kItemLongTextBytes);
    return out;
}

bool WriteItemFile(const char* path, const ItemFileLayout& layout)
{
    return WriteBytesToFile(path, ItemFileBytes(layout));
}
