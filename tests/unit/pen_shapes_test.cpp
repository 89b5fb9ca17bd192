#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <set>
#include <string>

#include "formats/painter/pen_shapes.h"

TEST(PenShapeName, CatalogueAndFallback)
{
    const std::string fallback = "不明：丸筆になります。";
    std::set<std::string> names;
    for (int32_t shape = -2; shape <= 34; ++shape) {
        if (shape == -1)
            continue;
        names.insert(PenShapeName(shape));
        EXPECT_LT(std::strlen(PenShapeName(shape)), kPenShapeNameSize) << shape;
    }
    EXPECT_EQ(names.size(), 36u);   // every entry its own name, none the fallback
    EXPECT_EQ(names.count(fallback), 0u);
    for (int32_t shape : {-1, -3, 35, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()})
        EXPECT_EQ(PenShapeName(shape), fallback) << shape;

    // Code page 932 bytes of the entries easiest to get wrong.
    EXPECT_STREQ(PenShapeName(-2), "ハイブリッド筆");
    EXPECT_STREQ(PenShapeName(0), "\x8e\x6c\x8a\x70\x82\xa2\x95\x4d");   // square, not round
    EXPECT_STREQ(PenShapeName(1), "\x8a\xdb\x82\xa2\x95\x4d");
    EXPECT_STREQ(PenShapeName(20), "\x95\xfa\x95\xa8\x90\xfc\x81\x69\x93\xca\x8c\x60\x81\x6a");   // 凸形
    EXPECT_STREQ(PenShapeName(21), "\x95\xfa\x95\xa8\x90\xfc\x81\x69\x89\x9a\x8c\x5e\x81\x6a");   // 凹型
    EXPECT_STREQ(PenShapeName(24), "\x82\x67\x82\x61\x81\x69\x81\xa0\x81\x9b\x81\xa3\x81\x7e\x81\x6a");
    EXPECT_STREQ(PenShapeName(34), "斜め（丸縁取り）１，２のハイブリッド");
    EXPECT_EQ(std::strlen(PenShapeName(34)), 36u);
}

TEST(PenShapeName, HybridListSkipsEmptySlots)
{
    const int32_t some[5] = {3, -1, 5, -1, -1}, none[5] = {-1, -1, -1, -1, -1}, longest[5] = {34, 34, 34, 34, 34};
    char text[kHybridPenTextSize];
    EXPECT_TRUE(BuildHybridPenText(some, 5, text, sizeof text));
    EXPECT_STREQ(text, "ハイブリッド筆： 斜めの筆（右上向き）, ひし形の筆, ");
    EXPECT_TRUE(BuildHybridPenText(none, 5, text, sizeof text));
    EXPECT_STREQ(text, "ハイブリッド筆： ");
    EXPECT_TRUE(BuildHybridPenText(longest, 5, text, sizeof text));
    char small[20];   // too small: whole characters only
    EXPECT_FALSE(BuildHybridPenText(longest, 5, small, sizeof small));
    EXPECT_STREQ(small, "ハイブリッド筆： 斜");
}
