// Decoding tables of code page 932, generated at build time by
// web/core/cp932.py from the host's iconv (the converter the desktop builds
// use), so the browser shows the same characters.
#pragma once
#include <cstdint>

constexpr uint16_t kCp932Lead = 0xFFFE;      // kCp932Single: the byte begins a two-byte character
constexpr uint16_t kCp932Invalid = 0xFFFF;   // not a character of the code page
constexpr uint8_t kCp932NoLead = 0xFF;       // kCp932LeadIndex: not a lead byte

extern const uint16_t kCp932Single[256];
extern const uint8_t kCp932LeadIndex[256];
extern const uint16_t kCp932Double[][256];
