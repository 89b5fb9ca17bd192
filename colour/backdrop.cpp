#include "colour/backdrop.h"

#include <cstring>

#include "colour/transparency_state.h"

int BuildBackdrop(RasterImage& backdrop, int32_t width, int32_t height, int32_t backgroundMode, uint32_t bgColor)
{
    int result = backdrop.Resize(width, height);
    if (result != kRasterOk || backdrop.Empty())
        return result;
    // Every row (white padding included) is one of two patterns (solid
    // colour: one): build them in rows 0 and 16, then copy them down.
    const int patterns = backgroundMode == kTransparent && height > kCheckerSquare ? 2 : 1;
    for (int k = 0; k < patterns; ++k) {
        uint8_t* row = backdrop.pixels.data + int64_t{k * kCheckerSquare} * backdrop.stride;
        std::memset(row, 0xFF, static_cast<size_t>(backdrop.stride));
        for (int32_t c = 0; c < backdrop.width; ++c) {
            uint8_t* p = row + 3 * c;
            if (backgroundMode == kTransparent) {
                bool greyRow = k == 0;   // row 0 at the bottom starts grey
                if (greyRow == ((c % (2 * kCheckerSquare)) < kCheckerSquare))
                    p[0] = p[1] = p[2] = kCheckerGrey;
            } else {
                StoreColour(p, bgColor);
            }
        }
    }
    for (int32_t r = 0; r < backdrop.height; ++r) {
        int32_t source = backgroundMode == kTransparent && (r % (2 * kCheckerSquare)) >= kCheckerSquare
                             ? kCheckerSquare
                             : 0;
        if (r != source)
            std::memcpy(backdrop.pixels.data + int64_t{r} * backdrop.stride,
                        backdrop.pixels.data + int64_t{source} * backdrop.stride,
                        static_cast<size_t>(backdrop.stride));
    }
    return kRasterOk;
}
