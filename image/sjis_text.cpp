#include "image/sjis_text.h"

#include <cstdio>
#include <cstring>

size_t FittingLength(const char* src, size_t room)
{
    size_t n = 0;
    while (src[n] != '\0') {
        size_t step = IsSjisLeadByte(static_cast<unsigned char>(src[n])) && src[n + 1] != '\0' ? 2 : 1;
        if (n + step > room)
            break;
        n += step;
    }
    return n;
}

bool AppendText(char* dest, size_t size, const char* src)
{
    if (size == 0)
        return false;
    size_t used = strnlen(dest, size - 1);
    size_t room = size - 1 - used;
    size_t n = FittingLength(src, room);
    std::memcpy(dest + used, src, n);
    dest[used + n] = '\0';
    return src[n] == '\0';
}

bool CopyText(char* dest, size_t size, const char* src)
{
    if (size == 0)
        return false;
    dest[0] = '\0';
    return AppendText(dest, size, src);
}

bool AppendInt(char* dest, size_t size, long long value)
{
    char digits[24];
    std::snprintf(digits, sizeof digits, "%lld", value);
    return AppendText(dest, size, digits);
}

bool NameEndsIn(const char* name, const char* const sets[], size_t count)
{
    const size_t length = std::strlen(name);
    if (length < count)
        return false;
    const char* tail = name + length - count;
    for (size_t i = 0; i < count; ++i)
        if (!std::strchr(sets[i], tail[i]))
            return false;
    return true;
}
