// Texts as UTF-8: the program's texts and those read from files are code
// page 932; reports, the console, the page and the library give UTF-8.
#pragma once

#include <cstddef>
#include <string>

// Converts a code page 932 text to UTF-8. Bytes that do not form a
// character of the code page come out as U+FFFD.
std::string Cp932ToUtf8(const char* text);

// The length of the well-formed UTF-8 sequence at text[i], as Unicode
// defines well-formed (no overlong forms, no surrogates, nothing above
// U+10FFFF), or 0 when the byte there does not begin one. Strict readers
// (Python's decoder, JavaScript's TextDecoder in fatal mode) refuse exactly
// what this refuses.
size_t Utf8SequenceLength(const std::string& text, size_t i);
