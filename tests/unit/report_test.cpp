// The reports' JSON is read by strict UTF-8 readers: every byte that is not
// part of a well-formed sequence must come out as U+FFFD, with the text's
// bytes beside it, and nothing well-formed may be touched.
#include <gtest/gtest.h>

#include <string>

#include "report/report.h"

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

std::string PathJson(const std::string& bytes)
{
    Report r;
    r.Utf8("path", bytes);
    return r.Json();
}

TEST(ReportJson, WellFormedTextIsKeptAsItIs)
{
    // The edges of each sequence length's range: U+0080, U+07FF, U+0800,
    // U+D7FF (below the surrogates), U+E000, U+FFFF, U+10000, U+10FFFF, and
    // a name in UTF-8 (escaped: literals are stored in code page 932).
    for (const std::string text : {"\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xEE\x80\x80",
                                   "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF",
                                   "\xE9\xA2\xA8\xE6\x99\xAF.jpg"})
        EXPECT_EQ(PathJson(text), "{\"path\":\"" + text + "\"}") << HexBytes(text);
}

TEST(ReportJson, EachIllFormedByteBecomesReplacementWithTheBytesBeside)
{
    const struct {
        std::string bytes, shown;
    } cases[] = {
        // A name in code page 932: its trail byte is a backslash to escape.
        {"\x95\x5C.jpg", kReplacement + "\\\\.jpg"},
        {"\xC0\xAF", kReplacement + kReplacement},                                  // overlong '/'
        {"\xE0\x9F\xBF", kReplacement + kReplacement + kReplacement},               // overlong U+07FF
        {"\xED\xA0\x80", kReplacement + kReplacement + kReplacement},               // a surrogate
        {"\xF4\x90\x80\x80", kReplacement + kReplacement + kReplacement + kReplacement},   // above U+10FFFF
        {"\xF5\x80", kReplacement + kReplacement},
        {"a\xE3\x81", "a" + kReplacement + kReplacement},                           // cut at the end
        {"\xE3\x81" "a\xE3\x81\x82", kReplacement + kReplacement + "a\xE3\x81\x82"},   // cut, then whole
        {"\x80\xBF", kReplacement + kReplacement},                                  // lone trail bytes
    };
    for (const auto& c : cases)
        EXPECT_EQ(PathJson(c.bytes), "{\"path\":\"" + c.shown + "\",\"pathBytes\":\"" + HexBytes(c.bytes) + "\"}")
            << HexBytes(c.bytes);
    EXPECT_EQ(HexBytes("\x95\x5C.jpg"), "955c2e6a7067");
}

TEST(ReportJson, ListsGetBytesForTheTextsThatNeedThem)
{
    Report r;
    r.Utf8s("messages", {"ok", "\xFF"});
    r.Utf8s("names", {"ok"});
    EXPECT_EQ(r.Json(), "{\"messages\":[\"ok\",\"" + kReplacement + "\"],\"messagesBytes\":[null,\"ff\"],"
                        "\"names\":[\"ok\"]}");
}

TEST(ReportLines, KeepTheBytesAsTheFileSystemSpellsThem)
{
    Report r;
    r.Utf8("path", "\x95\x5C.jpg");
    EXPECT_EQ(r.Lines(""), "path: \x95\x5C.jpg\n");
}

}  // namespace
