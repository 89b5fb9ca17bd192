#include "report/report.h"

#include <cmath>
#include <cstdio>

#include "report/utf8.h"

bool IsUtf8(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceLength(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string HexBytes(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceLength(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";   // U+FFFD: the byte is in the ...Bytes field
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(text, i, n);
            i += n;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(text[i++]);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

void Report::Int(const char* name, int64_t value) { entries_.push_back({kValue, name, std::to_string(value), {}}); }

void Report::Number(const char* name, double value)
{
    char text[32];
    if (std::isfinite(value))
        std::snprintf(text, sizeof text, "%.9g", value);
    else
        std::snprintf(text, sizeof text, "null");
    entries_.push_back({kValue, name, text, {}});
}

void Report::Text(const char* name, const char* cp932) { Utf8(name, Cp932ToUtf8(cp932)); }

void Report::Utf8(const char* name, const std::string& utf8) { entries_.push_back({kString, name, utf8, {}}); }

void Report::Texts(const char* name, const std::vector<std::string>& cp932)
{
    std::vector<std::string> utf8;
    for (const std::string& t : cp932)
        utf8.push_back(Cp932ToUtf8(t.c_str()));
    Utf8s(name, utf8);
}

void Report::Utf8s(const char* name, const std::vector<std::string>& utf8)
{
    entries_.push_back({kStrings, name, "", utf8});
}

void Report::Ints(const char* name, const int32_t* values, size_t count)
{
    Entry e{kInts, name, "", {}};
    for (size_t i = 0; i < count; ++i)
        e.values.push_back(std::to_string(values[i]));
    entries_.push_back(e);
}

void Report::Begin(const char* name) { entries_.push_back({kBegin, name, "", {}}); }
void Report::End() { entries_.push_back({kEnd, "", "", {}}); }

std::string Report::Json() const
{
    std::string out = "{";
    bool first = true;
    for (const Entry& e : entries_) {
        if (e.kind == kEnd) {
            out += "}";
            first = false;
            continue;
        }
        if (!first)
            out += ",";
        first = false;
        out += JsonString(e.name) + ":";
        switch (e.kind) {
        case kValue: out += e.value; break;
        case kString:
            out += JsonString(e.value);
            // Bytes that are not UTF-8 (a file name's, mostly) stay
            // recoverable beside the text that shows them as U+FFFD.
            if (!IsUtf8(e.value))
                out += "," + JsonString(e.name + "Bytes") + ":" + JsonString(HexBytes(e.value));
            break;
        case kStrings: {
            out += "[";
            bool allUtf8 = true;
            for (size_t i = 0; i < e.values.size(); ++i) {
                out += (i ? "," : "") + JsonString(e.values[i]);
                allUtf8 = allUtf8 && IsUtf8(e.values[i]);
            }
            out += "]";
            if (allUtf8)
                break;
            out += "," + JsonString(e.name + "Bytes") + ":[";
            for (size_t i = 0; i < e.values.size(); ++i)
                out += (i ? "," : "") + (IsUtf8(e.values[i]) ? "null" : JsonString(HexBytes(e.values[i])));
            out += "]";
            break;
        }
        case kInts:
            out += "[";
            for (size_t i = 0; i < e.values.size(); ++i)
                out += (i ? "," : "") + e.values[i];
            out += "]";
            break;
        case kBegin:
            out += "{";
            first = true;
            break;
        case kEnd: break;
        }
    }
    return out + "}";
}

std::string Report::Lines(const std::string& indent) const
{
    std::string out;
    std::string current = indent;
    for (const Entry& e : entries_) {
        switch (e.kind) {
        case kBegin:
            out += current + e.name + ":\n";
            current += "  ";
            break;
        case kEnd:
            current.resize(current.size() >= 2 ? current.size() - 2 : 0);
            break;
        case kStrings:
            out += current + e.name + ":\n";
            for (const std::string& v : e.values)
                out += current + "  " + v + "\n";
            break;
        case kInts: {
            std::string list;
            for (size_t i = 0; i < e.values.size(); ++i)
                list += (i ? " " : "") + e.values[i];
            out += current + e.name + ": " + list + "\n";
            break;
        }
        default: {
            // Multi-line texts (memos, explanations) continue indented.
            std::string value = e.value;
            std::string shown;
            for (char c : value) {
                if (c == '\r')
                    continue;
                shown += c;
                if (c == '\n')
                    shown += current + "  ";
            }
            out += current + e.name + ": " + shown + "\n";
        }
        }
    }
    return out;
}
