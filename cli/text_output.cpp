#include "cli/text_output.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace {

// Whether standard output and standard error are terminals, as they were
// when the program started.
const bool gOutputIsTerminal = isatty(1) != 0;
const bool gErrorIsTerminal = isatty(2) != 0;

// True when the code point a well-formed sequence encodes is one a terminal
// takes as a command: C0 controls, DEL and the C1 controls (U+0080 to
// U+009F, which some terminals obey in UTF-8 too).
bool IsControl(const std::string& text, size_t i, size_t length)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (length == 1)
        return lead < 0x20 || lead == 0x7F;
    return length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
}

// The escape of one byte inside $'...': the shell's letters where it has
// them, else three octal digits.
void AppendEscape(std::string& out, unsigned char c)
{
    static const char letters[] = "abtnvfr";   // 7 to 13
    out += '\\';
    if (c >= 7 && c <= 13) {
        out += letters[c - 7];
        return;
    }
    out += static_cast<char>('0' + (c >> 6));
    out += static_cast<char>('0' + ((c >> 3) & 7));
    out += static_cast<char>('0' + (c & 7));
}

}  // namespace

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

std::string ShellQuoted(const std::string& text)
{
    bool plain = true;
    for (size_t i = 0; i < text.size() && plain;) {
        const size_t n = Utf8SequenceLength(text, i);
        plain = n > 0 && !IsControl(text, i, n);
        i += n;
    }
    if (plain)
        return text;
    // Inside single quotes every byte stands for itself; a run of bytes
    // that must be escaped leaves them for $'...', and a quote is closed,
    // escaped and opened again.
    std::string out = "'";
    bool escaping = false;
    for (size_t i = 0; i < text.size();) {
        size_t n = Utf8SequenceLength(text, i);
        if (n == 0 || IsControl(text, i, n)) {
            if (!escaping)
                out += "'$'";
            escaping = true;
            for (size_t k = 0; k < (n ? n : 1); ++k)
                AppendEscape(out, static_cast<unsigned char>(text[i + k]));
            i += n ? n : 1;
            continue;
        }
        if (text[i] == '\'') {
            out += "'\\''";
        } else {
            if (escaping)
                out += "''";
            out.append(text, i, n);
        }
        escaping = false;
        i += n;
    }
    return out + "'";
}

std::string ShownName(const std::string& path, std::FILE* stream)
{
    const bool terminal = stream == stdout ? gOutputIsTerminal : stream == stderr && gErrorIsTerminal;
    return terminal ? ShellQuoted(PathText(path)) : PathText(path);
}

bool StandardErrorIsTerminal() { return gErrorIsTerminal; }

