#include "formats/painter/magic.h"

#include <cstring>

namespace {

bool HeaderStartsWith(const uint8_t header[12], const char* magic)
{
    return std::memcmp(header, magic, 11) == 0;
}

}  // namespace

bool IsItemMagic(const uint8_t header[12]) { return HeaderStartsWith(header, "itm file 0f"); }
bool IsCanvasMagic(const uint8_t header[12]) { return HeaderStartsWith(header, "cnv file 0a"); }

bool IsPainterMagic(const uint8_t header[12])
{
    static const char a[] = "esi file 0a";
    static const char f[] = "esi file 0f";
    for (int i = 0; i < 11; ++i)
        if (header[i] != static_cast<uint8_t>(a[i]) && header[i] != static_cast<uint8_t>(f[i]))
            return false;
    return true;
}
