// A report of named values, printed either as indented "name: value" lines
// or as one JSON object on a line. Texts are given in code page 932 (the
// program's and its files' texts) or UTF-8 (file names) and come out UTF-8.
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

std::string JsonString(const std::string& utf8);
