// TransparencyState: the separation of ink from background and how the
// background is shown. The mask itself is a buffer of its own beside the
// picture (a document's AlphaMask): one byte a picture pixel, 255 ink,
// 0 background.
#pragma once

#include <cstdint>

enum BackgroundModeValue : int32_t {
    kTransparent = 0,   // the background shows a checkerboard, PNG keeps alpha
    kBGColorFill = 1,   // the background is filled with BGColor
};

struct TransparencyState {
    int32_t MaskActive = 0;          // 1 while the mask holds a separation of the picture
    int32_t BackgroundMode = kTransparent;
    uint32_t PenColor = 0x000000;    // packed 0x00BBGGRR
    uint32_t BGColor = 0x000000;
};
