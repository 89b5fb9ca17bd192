// Code page 932 to UTF-8 through the C library's iconv.
#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "report/utf8.h"

std::string Cp932ToUtf8(const char* text)
{
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return text;
    char* in = const_cast<char*>(text);
    size_t inLeft = std::strlen(text);
    char buffer[256];
    while (inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD";   // U+FFFD for a byte that is not a character
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}
