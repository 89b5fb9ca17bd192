// Writer of item files (.itm), field by field in the layout ReadItem reads.
// In the writers library that the tests and the sample generator use; the
// viewer only reads item files.
//
// The pen and carried values come from an ItemRecord, the picture from a
// RasterImage (written as a packed picture section). What the record does
// not hold, the magic, version, item kind, long text flag, the name bytes
// with their stored length and the two explanation texts, is set in the
// ItemFileLayout, so that tests can write files the reader must refuse. A
// layout only refers to the record and picture, which stay the caller's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/painter/item_reader.h"
#include "image/raster_image.h"

struct ItemFileLayout {
    ItemFileLayout(const ItemRecord& item, const RasterImage& picture) : item(item), picture(picture), name(item.name) {}

    const ItemRecord& item;
    const RasterImage& picture;      // give it 50 x 50

    std::string magic = std::string("itm file 0f\0", 12);   // written as 12 bytes, cut or zero-padded
    int32_t version = 0;
    int32_t itemKind = kItemKindPen;
    int32_t longTextFlag = 0;        // only 1 writes the long text after the picture
    std::string name;                // the name bytes, written as given (the record's name by default)
    std::optional<int32_t> nameLength;   // the stored N; the size of `name` when not set
    std::string shortText;           // 256 bytes in the file: cut, or zero-padded
    std::string longText;            // 2000 bytes in the file: cut, or zero-padded
    int32_t pictureMode = 1;         // packed mode of the picture
    uint8_t reservedFill = 0;        // the reserved block's bytes
};

std::vector<uint8_t> ItemFileBytes(const ItemFileLayout& layout);
bool WriteItemFile(const char* path, const ItemFileLayout& layout);
