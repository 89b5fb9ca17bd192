// The magic texts at the start of the painter-program files, compared on
// their first 11 bytes (the 12th byte is not examined).
#pragma once

#include <cstdint>

bool IsItemMagic(const uint8_t header[12]);      // "itm file 0f"
bool IsPainterMagic(const uint8_t header[12]);   // "esi file 0a" or "esi file 0f"
bool IsCanvasMagic(const uint8_t header[12]);    // "cnv file 0a"
