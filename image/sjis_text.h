// Fixed-size, zero-terminated texts in code page 932 (Shift-JIS).
//
// Every text the program shows lives in a fixed buffer. These helpers never
// write past the buffer and, when a text does not fit, cut it at a character
// boundary so that it never ends in the lead byte of a double-byte character.
#pragma once

#include <cstddef>

// True for the first byte of a double-byte character of code page 932.
inline bool IsSjisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Copies src into dest (size bytes, size >= 1). Returns false when cut.
bool CopyText(char* dest, size_t size, const char* src);

// Appends src to the text in dest (size bytes). Returns false when cut.
bool AppendText(char* dest, size_t size, const char* src);

// Appends a decimal integer.
bool AppendInt(char* dest, size_t size, long long value);

// True when each of name's last `count` characters is one of the characters
// of the corresponding set: {".", "bB", "mM", "pP"} takes ".bmp" in any case.
// '.' and ASCII letters are never trail bytes, so a plain byte test is safe.
bool NameEndsIn(const char* name, const char* const sets[], size_t count);

// Number of bytes of src that fit in `room` bytes without splitting a
// double-byte character, stopping at src's terminator.
size_t FittingLength(const char* src, size_t room);
