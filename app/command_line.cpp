#include "app/command_line.h"

#include <cstring>

bool StripQuotes(char out[kPathSize], const char* text)
{
    std::memset(out, 0, kPathSize);
    size_t n = 0;
    for (const char* p = text; *p; ++p) {
        if (*p == '"')
            continue;
        if (n == kPathSize - 1) {
            std::memset(out, 0, kPathSize);
            return false;
        }
        out[n++] = *p;
    }
    return true;
}

size_t ProgramPartLength(const char* wholeLine, const char* argumentText)
{
    size_t whole = std::strlen(wholeLine);
    size_t argument = std::strlen(argumentText);
    return argument < whole ? whole - argument : 0;
}

void DirectoryOfFullPath(char out[kPathSize], const char* fullPath, size_t filePartOffset)
{
    std::memset(out, 0, kPathSize);
    size_t length = std::strlen(fullPath);
    if (filePartOffset > length || filePartOffset >= kPathSize)
        return;
    std::memcpy(out, fullPath, filePartOffset);
}

void FolderOfSavedFile(char out[kPathSize], const char* path, size_t fileOffset)
{
    DirectoryOfFullPath(out, path, fileOffset);
    size_t length = std::strlen(out);
    if (length > 3 && out[length - 1] == '\\')
        out[length - 1] = '\0';
}
