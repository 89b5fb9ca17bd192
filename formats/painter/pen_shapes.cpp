#include "formats/painter/pen_shapes.h"

#include "image/sjis_text.h"
#include "image/texts.h"


const char* PenShapeName(int32_t shape)
{
    // Both ends are compared separately, so no arithmetic on the shape can
    // overflow at the extremes of its range.
    if (shape >= 0 && shape < kPenShapeNameCount)
        return kPenShapeNames[shape];
    if (shape == -2)   // a hybrid pen, named as a whole
        return kHybridPenName;
    return kUnknownPenName;
}

bool AppendPenShapeList(const int32_t* shapes, int count, char* dest, size_t size)
{
    bool whole = true;
    for (int i = 0; i < count; ++i) {
        if (shapes[i] == -1)
            continue;
        whole = AppendText(dest, size, PenShapeName(shapes[i])) && whole;
        whole = AppendText(dest, size, ", ") && whole;
    }
    return whole;
}

bool BuildHybridPenText(const int32_t* shapes, int count, char* dest, size_t size)
{
    bool whole = CopyText(dest, size, kHybridPenListText);
    return AppendPenShapeList(shapes, count, dest, size) && whole;
}
