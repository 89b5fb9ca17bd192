// Item files (.itm): an object a painter can be given, with a name, a pen
// effect, a 50 x 50 picture and an explanation. The viewer only reads them.
//
// DecodeItemFile reads one from a source its caller opened into a
// caller-owned ItemContents (record, picture, kind and explanation); it
// shows nothing and touches nothing else. ReadItem (the open dispatch,
// app/open_readers.h) opens the file, says when it cannot, and commits the
// contents: the
// explanation into the document's ItemExplanation, the name into control
// 1012 of the owner window, the document's kind. The open dispatch reads items into
// temporaries and shows the picture; the use-item dialog reads the current
// item again and shows name, picture and explanation, and records the
// chosen pen with ApplyPenChoice.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/byte_source.h"
#include "image/raster_image.h"

struct ItemRecord {
    char name[256] = {};
    int32_t itemValueA = 0;
    int32_t penSelector = 0;   // -1 no pen effect, -2 hybrid pen, other: single pen
    int32_t penAux = 0;
    int32_t penShapes[5] = {-1, -1, -1, -1, -1};
    int32_t penWidth = 0;
    int32_t penConsistency = 0;
    int32_t penDensity = 0;
    int32_t itemValueB = 0;
    int32_t itemValueC = 0;
    int32_t itemValueD = 0;
    int32_t itemRunA[16] = {};
    int32_t itemValueE = 0;
    int32_t itemValueF = 0;
    int32_t itemValueG = 0;
    int32_t itemRunB[22] = {};
    int32_t penChoice = 0;     // 0 fill pen, 1 outline pen
};

// Results of ReadItem.
enum ItemReadResult : int {
    kItemRead = 0,
    kItemNotRead = -1,      // cannot be opened (after a message); or, without a message: wrong
                            // magic, a negative name length, or a file that ends before its picture
    kItemBadVersion = -2,   // version word not 0 (no message)
};

enum class ItemError {
    kNone = 0,
    kNotItem,      // wrong magic, a negative name length, or a file that ends before its picture
    kBadVersion,   // version word not 0
    kReadError,    // the system failed to read the file; the item is as it was
};

// itemKind values.
constexpr int32_t kItemKindPen = 0;     // the explanation is rebuilt from the pen values
constexpr int32_t kItemKindOther = 1;   // the explanation is the file's text

// penSelector values with a meaning of their own.
constexpr int32_t kItemNoPen = -1;
constexpr int32_t kItemHybridPen = -2;

constexpr int kItemShapeSlots = 5;
constexpr int kItemPictureSize = 50;
constexpr int kItemNameBytes = 256;          // the record's name buffer, terminator included
constexpr int kItemShortTextBytes = 256;
constexpr int kItemLongTextBytes = 2000;
constexpr int kItemExplanationSize = kItemLongTextBytes + 1;
constexpr int kItemNameControl = 1012;       // the owner's control that shows the name
constexpr int kItemHeaderBytes = 224;        // where the name bytes start

// What an item file gives. The decoder is handed the previous record and
// picture: a refused file leaves the record as it was; the picture may have
// been remade by a refused file that got as far as it.
struct ItemContents {
    ItemRecord record;
    RasterImage picture;   // 50 x 50
    int32_t itemKind = 0;
    // The file's explanation, or for a pen item (itemKind 0) the one built
    // from its pen values; terminated, at most 2000 bytes.
    char explanation[kItemExplanationSize] = {};
};

// Reads the item from the source (at its first byte) into item.
ItemError DecodeItemFile(ByteSource& in, ItemContents& item);

// The explanation of a pen item: its type, width, hardness and density and,
// for a hybrid pen, the names of its component shapes. Bounded by size; false when cut.
bool BuildPenItemExplanation(const ItemRecord& item, char* out, size_t size);

// True when the item changes a pen: it has a pen and its width, hardness and
// density are all non-zero. The use-item dialog enables its pen choice then.
bool ItemHasPenEffect(const ItemRecord& item);

// The use-item dialog's OK: records the chosen pen (0 fill, 1 outline) when
// the item has a pen and its width, hardness and density are all above 0.
// Returns true when penChoice was set; otherwise it is left as it was.
bool ApplyPenChoice(ItemRecord& item, bool fillPenSelected);
