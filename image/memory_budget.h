// The working memory of one open.
//
// The 32-bit program has about 2 GiB of address space, and a small hostile
// file can claim the largest picture for each of its sections. Whatever one
// open keeps while it reads (the layers and the picture of a canvas, the
// JPEG decoder's own tables and coefficients) is counted against one budget
// of three largest pictures and 64 MiB; a section that would go beyond it is
// refused as too large before anything is allocated. Every picture the size
// limit allows still opens: a canvas at the largest size needs two blocks
// and its small mask, a progressive JPEG two blocks of coefficients and the
// picture.
#pragma once

#include <cstdint>

#include "image/pixel_block.h"   // the memory a process holds, told to its watcher
#include "image/raster_image.h"

constexpr int64_t kOpenMemoryBytes = 3 * kMaxPixelBytes + (int64_t{64} << 20);

// The limits of one open: the largest picture block a file may claim (as
// kMaxPixelBytes counts it, which it never exceeds) and the open's working
// memory (the budget below). The viewer opens everything with these
// defaults; the library lets its caller lower them per open.
struct OpenLimits {
    int64_t pictureBytes = kMaxPixelBytes;
    int64_t memoryBytes = kOpenMemoryBytes;

    // PictureSizeAllowed, within pictureBytes as well.
    bool PictureAllowed(int64_t width, int64_t height) const
    {
        return PictureSizeAllowed(width, height) && StrideForWidth(width) * height <= pictureBytes;
    }
};

struct MemoryBudget {
    int64_t left = kOpenMemoryBytes;

    // True, and the bytes counted, when they fit in what is left.
    bool Take(int64_t bytes)
    {
        if (bytes < 0 || bytes > left)
            return false;
        left -= bytes;
        return true;
    }
    void Give(int64_t bytes) { left += bytes; }
};
