#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "formats/painter/painter_record.h"
#include "profile/diagnosis.h"

namespace {

// The diagnosis split at its "\r\n" separators.
std::vector<std::string> Lines(const PainterRecord& painter)
{
    char text[kDiagnosisSize];
    EXPECT_EQ(BuildDiagnosis(painter, text, sizeof text), kDiagnosisBuilt);
    std::vector<std::string> lines;
    std::string rest = text;
    for (size_t at; (at = rest.find("\r\n")) != std::string::npos; rest.erase(0, at + 2))
        lines.push_back(rest.substr(0, at));
    lines.push_back(rest);
    return lines;
}

constexpr int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();

}  // namespace

TEST(Diagnosis, DefaultPainter)
{
    char text[kDiagnosisSize];
    ASSERT_EQ(BuildDiagnosis(PainterRecord(), text, sizeof text), kDiagnosisBuilt);
    EXPECT_STREQ(text,
                 "　どちらかと言うと塗りの方が好きです。\r\n"
                 "　塗りの時には、題材どおりの明るさで描きます。透明度は高めです。\r\n"
                 "　輪郭を描く時には、めっちゃくら～いの色で描きます。めっちゃあわ～い色が好きです。とても透明度が高いです。\r\n"
                 "　やや、きちょうめんです。");
}

// One value of the default painter changed: the line it affects, exactly.
TEST(Diagnosis, Thresholds)
{
    enum Field { kPL, kFillBrightness, kFillAlpha, kOutlineAlpha, kRange };
    const struct {
        Field field;
        double value;
        const char* line;
    } cases[] = {
        {kPL, 9, "　輪郭大好き。ほとんど塗りません。"}, {kPL, kMin, "　輪郭大好き。ほとんど塗りません。"},
        {kPL, 10, "　輪郭が好きで、あまり塗りません。"}, {kPL, 49, "　どちらかと言うと輪郭が好きです。"},
        {kPL, 70, "　塗りの方が好きで、輪郭はあまり描きません。"}, {kPL, 90, "　塗りが大好き。輪郭はめったに描きません。"},
        // Floats widened to double: 0.7f, 0.9f and 1.3f lie below their bounds, 1.1f and 1.6f above.
        {kFillBrightness, 0.49, "　塗りの時には、めっちゃくら～いの色で描きます。めっちゃあわ～い色が好きです。透明度は高めです。"},
        {kFillBrightness, 0.5, "　塗りの時には、かなり暗めの色で描きます。また、結構淡い色が好きです。透明度は高めです。"},
        {kFillBrightness, 0.7, "　塗りの時には、かなり暗めの色で描きます。また、結構淡い色が好きです。透明度は高めです。"},
        {kFillBrightness, 0.9, "　塗りの時には、やや暗めの色で描きます。また、やや淡い色が好きです。透明度は高めです。"},
        {kFillBrightness, 1.1, "　塗りの時には、やや明るめの色で描きます。また、やや鮮やかな色が好きです。透明度は高めです。"},
        {kFillBrightness, 1.3, "　塗りの時には、やや明るめの色で描きます。また、やや鮮やかな色が好きです。透明度は高めです。"},
        {kFillBrightness, 1.5, "　塗りの時には、かなり明るい色で描きます。また、かなり鮮やかな色が好きです。透明度は高めです。"},
        {kFillBrightness, 1.6, "　塗りの時には、めっちゃあっっかるい色で描きます。めっちゃ鮮やかな色が好きです。透明度は高めです。"},
        {kFillAlpha, 19, "　塗りの時には、題材どおりの明るさで描きます。とても透明度が高いです。"},
        {kFillAlpha, 100, "　塗りの時には、題材どおりの明るさで描きます。"},
        {kFillAlpha, 140, "　塗りの時には、題材どおりの明るさで描きます。透明度は低めです。"},
        {kFillAlpha, 220, "　塗りの時には、題材どおりの明るさで描きます。とても透明度が低いです。"},
        {kOutlineAlpha, 99, "　輪郭を描く時には、めっちゃくら～いの色で描きます。めっちゃあわ～い色が好きです。透明度は高いです。"},
        {kOutlineAlpha, 219, "　輪郭を描く時には、めっちゃくら～いの色で描きます。めっちゃあわ～い色が好きです。透明度は低いです。"},
        {kOutlineAlpha, 220, "　輪郭を描く時には、めっちゃくら～いの色で描きます。めっちゃあわ～い色が好きです。とても透明度低いです。"},
        {kRange, 4.99, "　超きちょうめんです。"}, {kRange, 9.99, "　やや、きちょうめんです。"},
        {kRange, 10, ""}, {kRange, 29.99, ""}, {kRange, 30, "　やや、おおざっぱです。"}, {kRange, 40, "　超おおざっぱです。"},
    };
    for (const auto& c : cases) {
        PainterRecord p;
        const int32_t i = static_cast<int32_t>(c.value);
        const float f = static_cast<float>(c.value);
        int line = 0;
        switch (c.field) {
        case kPL: p.PL = i; line = 0; break;
        case kFillBrightness: p.fillPen.brightness = f; line = 1; break;
        case kFillAlpha: p.fillPen.alpha = i; line = 1; break;
        case kOutlineAlpha: p.outlinePen.alpha = i; line = 2; break;
        case kRange: p.ErrorRangeForL = f; line = 3; break;
        }
        std::vector<std::string> lines = Lines(p);
        // A last line without any sentence is left out with its break.
        const bool noLastLine = c.field == kRange && std::string(c.line).empty();
        ASSERT_EQ(lines.size(), noLastLine ? 3u : 4u) << c.value;
        if (!noLastLine) {
            EXPECT_EQ(lines[line], c.line) << c.field << " " << c.value;
        }
    }
}

// Master and type lines come first; experience and tiring end the last line.
TEST(Diagnosis, MasterTypeExperienceAndTiring)
{
    const std::string tired = "もうそろそろ今の描画方法に飽きてきた頃。", veteran = "結構ベテランかも。";
    const std::string meticulous = "　やや、きちょうめんです。";
    const struct {
        int32_t master;
        int8_t type;
        int32_t painted, exp, refreshExp;
        std::vector<std::string> first;
        std::string last;
    } cases[] = {
        {0, 0, 50, 0, 100, {}, meticulous},
        {0, 0, 51, 96, 100, {}, meticulous + veteran},
        {0, 0, 51, 97, 100, {}, meticulous + veteran + tired},
        {2, 0, 0, 200, -5, {}, meticulous + tired},
        {1, 0, 0, 97, 100, {"　マスター絵師です。"}, meticulous},
        {0, 0, 0, 1, kMin, {}, meticulous + tired},   // differences beyond 32 bits do not wrap
        {0, 0, 0, kMin, kMax, {}, meticulous},
        {0, -1, 0, 0, 100, {"　ぬらべタイプの絵師です。"}, meticulous},
        {0, 1, 0, 0, 100, {"　ハイライトタイプの絵師です。"}, meticulous},
        {0, 2, 0, 0, 100, {"　シャドウタイプの絵師です。"}, meticulous},
        {1, 5, 0, 0, 100, {"　マスター絵師です。", "　単色タイプの絵師です。"}, meticulous},
        {0, 3, 0, 0, 100, {}, meticulous}, {0, 4, 0, 0, 100, {}, meticulous}, {0, -128, 0, 0, 100, {}, meticulous},
    };
    for (const auto& c : cases) {
        PainterRecord p;
        p.isMaster = c.master;
        p.Type = c.type;
        p.PaintedCount = c.painted;
        p.Exp = c.exp;
        p.RefreshExp = c.refreshExp;
        std::vector<std::string> lines = Lines(p);
        ASSERT_EQ(lines.size(), 4 + c.first.size()) << int(c.type);
        EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + c.first.size()), c.first);
        EXPECT_EQ(lines.back(), c.last) << c.master << " " << c.exp;
    }
    PainterRecord p;   // no meticulousness sentence: the line starts without the full-width space
    p.ErrorRangeForL = 20.0f;
    p.PaintedCount = 51;
    EXPECT_EQ(Lines(p).back(), veteran);

    // No sentence on the last line at all: the text ends with the outline
    // line and still has no final line break.
    PainterRecord plain;
    plain.ErrorRangeForL = 20.0f;
    char text[kDiagnosisSize];
    BuildDiagnosis(plain, text, sizeof text);
    std::string whole = text;
    EXPECT_EQ(whole.substr(whole.size() - std::strlen("とても透明度が高いです。")), "とても透明度が高いです。");
    EXPECT_EQ(Lines(plain).size(), 3u);
}

TEST(Diagnosis, LongestTextFits)
{
    PainterRecord p;
    p.Type = 1;
    p.PL = 70;
    p.fillPen.brightness = p.outlinePen.brightness = 1.6f;
    p.ErrorRangeForL = 5.5f;
    p.PaintedCount = 51;
    p.Exp = 100;
    char text[kDiagnosisSize];
    EXPECT_EQ(BuildDiagnosis(p, text, sizeof text), kDiagnosisBuilt);
    EXPECT_LT(std::strlen(text), 450u);
    EXPECT_EQ(BuildDiagnosis(p, text, 9), kDiagnosisCut);   // four double-byte characters
    EXPECT_STREQ(text, "　ハイラ");
}
