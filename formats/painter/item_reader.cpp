#include "formats/painter/item_reader.h"

#include <cstdio>
#include <cstring>

#include "formats/painter/magic.h"
#include "formats/painter/painter_reader.h"
#include "formats/painter/pen_shapes.h"
#include "image/byte_source.h"
#include "image/sjis_text.h"
#include "image/texts.h"

namespace {

constexpr int kItemMagicBytes = 12;
constexpr int kReservedAfterFlags = 196;

// The stored name length N can be anything. The first bytes that fit the
// record's buffer are kept, cut at a character boundary so that the name
// stays terminated; the rest of the N bytes is read past, so the fields
// after the name are taken from their own place. False for a negative N.
bool ReadName(ByteSource& in, char (&name)[kItemNameBytes])
{
    int32_t length = 0;
    if (!in.I32(length) || length < 0)
        return false;
    char bytes[kItemNameBytes + 1] = {};   // the name ends at its first zero byte
    const size_t kept = length < kItemNameBytes ? static_cast<size_t>(length) : kItemNameBytes;
    in.Bytes(bytes, kept);
    in.Skip(static_cast<size_t>(length) - kept);
    std::memset(name, 0, sizeof name);
    CopyText(name, sizeof name, bytes);
    return true;
}

void ReadPenFields(ByteSource& in, ItemRecord& item)
{
    in.I32(item.penSelector);
    in.I32(item.penAux);
    for (int32_t& shape : item.penShapes)
        in.I32(shape);
    in.I32(item.penWidth);
    in.I32(item.penConsistency);
    in.I32(item.penDensity);
    in.I32(item.itemValueA);
    in.I32(item.itemValueB);
    in.I32(item.itemValueE);
    in.I32(item.itemValueC);
    in.I32(item.itemValueF);
    in.I32(item.itemValueD);
    in.I32(item.itemValueG);
    for (int32_t& v : item.itemRunA)
        in.I32(v);
    for (int32_t& v : item.itemRunB)
        in.I32(v);
}

// A zero-padded text field of `bytes` bytes into text (bytes + 1), which
// keeps a terminator after it: a field without a zero byte is shown whole.
// A field the file cannot supply in full leaves text as it was.
void ReadTextField(ByteSource& in, char* text, size_t bytes)
{
    in.Bytes(text, bytes);
    text[bytes] = '\0';
}

// The whole file, into the caller's picture and into copies of the record
// and the explanation, which DecodeItemFile takes over only when the item is
// read: a refused file changes neither.
ItemError ReadItemSections(ByteSource& in, RasterImage& picture, bool& pictureRead, ItemRecord& item,
                           int32_t& itemKind, char* explanation)
{
    uint8_t magic[kItemMagicBytes] = {};   // a magic the file cannot supply is refused
    in.Bytes(magic, sizeof magic);
    if (!IsItemMagic(magic))
        return ItemError::kNotItem;
    int32_t version = 0;
    in.I32(version);
    if (version != 0)
        return ItemError::kBadVersion;

    int32_t longTextFlag = 0;
    in.I32(itemKind);
    in.I32(longTextFlag);
    in.Skip(kReservedAfterFlags);
    if (!ReadName(in, item.name))
        return ItemError::kNotItem;
    ReadPenFields(in, item);
    char shortText[kItemShortTextBytes + 1] = {};
    ReadTextField(in, shortText, kItemShortTextBytes);
    // A file that ends anywhere before its picture is no item: its kind,
    // name and pen values would be left-overs rather than the file's.
    if (in.Failed())
        return ItemError::kNotItem;
    CopyText(explanation, kItemExplanationSize, shortText);

    pictureRead = true;
    if (ReadPackedPicture(in, kItemPictureSize, kItemPictureSize, picture) == kPackedNoPicture)
        return ItemError::kNotItem;
    if (longTextFlag == 1) {
        // Missing long text bytes leave the short explanation in place.
        char longText[kItemLongTextBytes + 1] = {};
        if (in.Bytes(longText, kItemLongTextBytes)) {
            longText[kItemLongTextBytes] = '\0';
            CopyText(explanation, kItemExplanationSize, longText);
        }
    }
    return ItemError::kNone;
}

}  // namespace

bool BuildPenItemExplanation(const ItemRecord& item, char* out, size_t size)
{
    const bool hybrid = item.penSelector == kItemHybridPen;
    // A single pen, and a selector of -1 as well, is named by its first shape.
    const char* type = hybrid ? PenShapeName(kItemHybridPen) : PenShapeName(item.penShapes[0]);
    bool whole = CopyText(out, size, kItemKindLabel);
    whole = AppendText(out, size, type) && whole;
    whole = AppendText(out, size, kItemWidthLabel) && whole;
    whole = AppendInt(out, size, item.penWidth) && whole;
    whole = AppendText(out, size, kItemHardnessLabel) && whole;
    whole = AppendInt(out, size, item.penConsistency) && whole;
    whole = AppendText(out, size, kItemDensityLabel) && whole;
    whole = AppendInt(out, size, item.penDensity) && whole;
    whole = AppendText(out, size, "\r\n") && whole;
    if (hybrid) {
        whole = AppendText(out, size, "\r\n") && whole;
        whole = AppendPenShapeList(item.penShapes, kItemShapeSlots, out, size) && whole;
    }
    return whole;
}

ItemError DecodeItemFile(ByteSource& in, ItemContents& item)
{
    ItemRecord read = item.record;
    int32_t itemKind = 0;
    char explanation[kItemExplanationSize] = {};
    // The picture is staged too: a file the system fails to read (an I/O
    // error rather than its end) changes nothing.
    RasterImage picture;
    bool pictureRead = false;
    const ItemError error = ReadItemSections(in, picture, pictureRead, read, itemKind, explanation);
    if (in.IoError())
        return ItemError::kReadError;
    if (pictureRead)
        AdoptPicture(item.picture, picture);
    if (error != ItemError::kNone)
        return error;

    item.record = read;
    item.itemKind = itemKind;
    if (itemKind == kItemKindPen)
        BuildPenItemExplanation(item.record, item.explanation, sizeof item.explanation);
    else
        CopyText(item.explanation, sizeof item.explanation, explanation);
    return ItemError::kNone;
}

bool ItemHasPenEffect(const ItemRecord& item)
{
    return item.penSelector != kItemNoPen && item.penWidth != 0 && item.penConsistency != 0 &&
           item.penDensity != 0;
}

bool ApplyPenChoice(ItemRecord& item, bool fillPenSelected)
{
    // Stricter than ItemHasPenEffect: negative sizes do not count here.
    if (item.penSelector == kItemNoPen || item.penWidth <= 0 || item.penConsistency <= 0 || item.penDensity <= 0)
        return false;
    item.penChoice = fillPenSelected ? 0 : 1;
    return true;
}
