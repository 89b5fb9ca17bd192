// Pen shape catalogue: a pen's shape number to the Japanese name the user
// sees, plus the lists of a hybrid pen's component shapes.
//
// Owned by the painter profile. The painter dialog shows the names of a
// painter's two pens; the item reader names an item's pen. The names are
// string literals in code page 932 that live for the whole run; callers
// never free or change them. Nothing here has state or allocates.
#pragma once

#include <cstddef>
#include <cstdint>

// The longest name is 36 bytes; a buffer of this size holds any of them.
constexpr size_t kPenShapeNameSize = 37;

// The name for a shape number: -2 (hybrid pen) and 0..34 have their own
// names, every other value (-1 included) the fallback, which tells the user
// that the pen is treated as a round pen.
const char* PenShapeName(int32_t shape);

// Appends "<name>, " to the text in dest for every shape of the list that is
// not -1 (an empty slot), in slot order. Bounded by size; false when cut.
bool AppendPenShapeList(const int32_t* shapes, int count, char* dest, size_t size);

// "ハイブリッド筆： " followed by the list above: the description of a hybrid
// pen's components. Replaces the text in dest; false when cut.
constexpr size_t kHybridPenTextSize = 256;   // holds the longest five-slot list
bool BuildHybridPenText(const int32_t* shapes, int count, char* dest, size_t size);
