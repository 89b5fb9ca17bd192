#include "cli/text_output.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

void PrintCp932(std::FILE* stream, const char* text)
{
    std::string utf8 = Cp932ToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

std::string PathText(const std::string& path)
{
#ifdef _WIN32
    return Cp932ToUtf8(path.c_str());
#else
    return path;
#endif
}

bool StandardErrorIsTerminal() { return isatty(2) != 0; }
