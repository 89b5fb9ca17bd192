// A report of named values, printed either as indented "name: value" lines
// or as one JSON object on a line. Texts are given in code page 932 (the
// program's and its files' texts) or UTF-8 (file names) and come out UTF-8.
//
// The JSON is always valid UTF-8, whatever bytes a text holds: a file name
// need not be UTF-8 (a name written in code page 932, say). Each byte of a
// text that is not part of a well-formed UTF-8 sequence is written as
// U+FFFD, and the text's bytes follow under the name with "Bytes" added, as
// lowercase hex (the name 0x95 0x5C ".jpg" is "path":"�\\.jpg",
// "pathBytes":"955c2e6a7067"); a list gets a list of the same length, with
// null for the texts that were UTF-8. Texts that are UTF-8 get no such
// field, so their JSON is what it always was. Every strict reader takes
// this, unlike escaped lone surrogates. The lines keep the bytes as they
// are, as the file system spells a name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Report {
public:
    void Int(const char* name, int64_t value);
    void Number(const char* name, double value);
    void Text(const char* name, const char* cp932);
    void Utf8(const char* name, const std::string& utf8);
    void Texts(const char* name, const std::vector<std::string>& cp932);
    void Utf8s(const char* name, const std::vector<std::string>& utf8);
    void Ints(const char* name, const int32_t* values, size_t count);
    // Values between Begin and End belong to an object of that name.
    void Begin(const char* name);
    void End();

    std::string Json() const;
    std::string Lines(const std::string& indent) const;

private:
    enum Kind { kValue, kString, kStrings, kInts, kBegin, kEnd };
    struct Entry {
        Kind kind;
        std::string name;
        std::string value;                 // kValue: JSON literal; kString: UTF-8
        std::vector<std::string> values;   // kStrings: UTF-8; kInts: decimal
    };
    std::vector<Entry> entries_;
};

// text as a JSON string, each byte that is not UTF-8 as U+FFFD.
std::string JsonString(const std::string& text);
// True when text is well-formed UTF-8.
bool IsUtf8(const std::string& text);
// The bytes as lowercase hex, two digits each.
std::string HexBytes(const std::string& bytes);
