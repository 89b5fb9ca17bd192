// Code page 932 to UTF-8 through the Windows code page tables.
#include <windows.h>

#include <cstring>

#include "report/utf8.h"

std::string Cp932ToUtf8(const char* text)
{
    int length = static_cast<int>(std::strlen(text));
    if (length == 0)
        return std::string();
    int wide = MultiByteToWideChar(932, 0, text, length, nullptr, 0);
    if (wide <= 0)
        return text;
    std::wstring w(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(932, 0, text, length, &w[0], wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, &out[0], bytes, nullptr, nullptr);
    return out;
}
