#include "cli/text_output.h"

void PrintCp932(std::FILE* stream, const char* text)
{
    std::string utf8 = Cp932ToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}
