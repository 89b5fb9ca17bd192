// Code page 932 to UTF-8 for the browser build, by the generated tables: the
// C library of the browser build has no CP932 converter. Bytes are taken as
// the desktop converter takes them: a byte that neither is a character nor
// begins one with the byte after it becomes U+FFFD, and decoding goes on
// at the next byte.
#include <cstring>

#include "report/utf8.h"
#include "web/core/cp932_tables.h"

namespace {

void AppendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string Cp932ToUtf8(const char* text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const size_t n = std::strlen(text);
    std::string out;
    out.reserve(n * 3 / 2);
    for (size_t i = 0; i < n; ++i) {
        uint16_t c = kCp932Single[p[i]];
        if (c == kCp932Lead) {
            // The terminator is never a trail byte, so p[i + 1] is in bounds.
            c = kCp932Double[kCp932LeadIndex[p[i]]][p[i + 1]];
            if (c != kCp932Invalid) {
                AppendUtf8(out, c);
                ++i;
                continue;
            }
        }
        AppendUtf8(out, c == kCp932Lead || c == kCp932Invalid ? 0xFFFD : c);
    }
    return out;
}
