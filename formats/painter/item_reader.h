// Item files (.itm): an object a painter can be given, with a name, a pen
// effect, a 50 x 50 picture and an explanation.
#pragma once

#include <cstdint>

#include "app/platform.h"
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

// Reads the item at path into picture (50 x 50) and item, sets
// ItemExplanation and the document kind. 0 = read, -1 = cannot be opened
// (after a message) or wrong magic, -2 = version word not 0.
int ReadItem(WindowHandle window, const char* path, RasterImage& picture, ItemRecord& item);
