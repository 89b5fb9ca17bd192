#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/document.h"
#include "image/sjis_text.h"

// The program's literals are compiled to code page 932.
TEST(Cp932Literals, ExactBytes)
{
    EXPECT_STREQ(kNoPainterName, "\x81\x7C\x81\x7C");                   // "－－"
    EXPECT_STREQ("　", "\x81\x40");                                      // full-width space
    EXPECT_STREQ("表示倍率", "\x95\x5C\x8E\xA6\x94\x7B\x97\xA6");        // 0x5C as a trail byte
    EXPECT_STREQ("ﾊﾞｰｼﾞｮﾝ情報", "\xCA\xDE\xB0\xBC\xDE\xAE\xDD\x8F\xEE\x95\xF1");
    EXPECT_STREQ("絵師：", "\x8A\x47\x8E\x74\x81\x46");
}

TEST(SjisText, CopyCutsAtCharacterBoundaries)
{
    char buffer[6];
    EXPECT_TRUE(CopyText(buffer, sizeof buffer, "abc"));
    EXPECT_STREQ(buffer, "abc");
    // Three double-byte characters need 7 bytes with the terminator: the third is dropped whole.
    EXPECT_FALSE(CopyText(buffer, sizeof buffer, "絵師名"));
    EXPECT_STREQ(buffer, "絵師");
    // "a" + two double-byte characters is 5 bytes and fits exactly.
    EXPECT_TRUE(CopyText(buffer, sizeof buffer, "a絵師"));
    EXPECT_FALSE(CopyText(buffer, sizeof buffer, "ab絵師"));
    EXPECT_STREQ(buffer, "ab絵");
    // Half-width katakana are single bytes.
    EXPECT_TRUE(CopyText(buffer, sizeof buffer, "ｱｲｳｴｵ"));
    // A lone lead byte at the end of the source counts as one byte.
    EXPECT_TRUE(CopyText(buffer, sizeof buffer, "ab\x81"));
    EXPECT_STREQ(buffer, "ab\x81");
}

TEST(SjisText, AppendNeverOverflows)
{
    char buffer[8] = "1234";
    EXPECT_FALSE(AppendText(buffer, sizeof buffer, "56789"));
    EXPECT_STREQ(buffer, "1234567");
    EXPECT_FALSE(AppendInt(buffer, sizeof buffer, 5));
    EXPECT_STREQ(buffer, "1234567");
    char small[8] = "";
    EXPECT_TRUE(AppendInt(small, sizeof small, -42));
    EXPECT_STREQ(small, "-42");
    // A destination that is not terminated within its size is treated as full.
    char unterminated[4] = {'a', 'b', 'c', 'd'};
    AppendText(unterminated, sizeof unterminated, "x");
    EXPECT_EQ(unterminated[3], '\0');
}
