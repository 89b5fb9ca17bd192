#include "formats/painter/pen_shapes.h"

#include "image/sjis_text.h"

namespace {

// Shapes 0..34 in order; -2 and the fallback are kept apart.
const char* const kShapeNames[] = {
    /*  0 */ "四角い筆",
    /*  1 */ "丸い筆",
    /*  2 */ "斜めの筆（右下向き）",
    /*  3 */ "斜めの筆（右上向き）",
    /*  4 */ "「ザラビー」",
    /*  5 */ "ひし形の筆",
    /*  6 */ "「プラネット」",
    /*  7 */ "「ホロー」",
    /*  8 */ "「リアルクロス」",
    /*  9 */ "クロス筆（十字）",
    /* 10 */ "「リアルＸ」",
    /* 11 */ "クロス筆（Ｘ字）",
    /* 12 */ "水平ペンＡ",
    /* 13 */ "水平ペンＢ",
    /* 14 */ "垂直ペンＡ",
    /* 15 */ "垂直ペンＢ",
    /* 16 */ "三角Ａ",
    /* 17 */ "三角Ｂ",
    /* 18 */ "三角Ｃ",
    /* 19 */ "三角Ｄ",
    /* 20 */ "放物線（凸形）",
    /* 21 */ "放物線（凹型）",
    /* 22 */ "ＨＢ（三角形）",
    /* 23 */ "ＨＢ（斜め筆）",
    /* 24 */ "ＨＢ（□○▲×）",
    /* 25 */ "ＨＢ（×＆ホロー）",
    /* 26 */ "縦縞（ベース：四角）",
    /* 27 */ "縦縞（ベース：円）",
    /* 28 */ "横縞（ベース：四角）",
    /* 29 */ "横縞（ベース：円）",
    /* 30 */ "斜め縞（ベース：四角）",
    /* 31 */ "斜め縞（ベース：円）",
    /* 32 */ "斜め（丸縁取り）１",
    /* 33 */ "斜め（丸縁取り）２",
    /* 34 */ "斜め（丸縁取り）１，２のハイブリッド",
};
constexpr int32_t kShapeCount = static_cast<int32_t>(sizeof kShapeNames / sizeof kShapeNames[0]);
static_assert(kShapeCount == 35, "shapes 0..34");

const char kHybridName[] = "ハイブリッド筆";
const char kUnknownName[] = "不明：丸筆になります。";

}  // namespace

const char* PenShapeName(int32_t shape)
{
    // Both ends are compared separately, so no arithmetic on the shape can
    // overflow at the extremes of its range.
    if (shape >= 0 && shape < kShapeCount)
        return kShapeNames[shape];
    if (shape == -2)   // a hybrid pen, named as a whole
        return kHybridName;
    return kUnknownName;
}

bool AppendPenShapeList(char* dest, size_t size, const int32_t* shapes, int count)
{
    bool whole = true;
    for (int i = 0; i < count; ++i) {
        if (shapes[i] == -1)
            continue;
        whole = AppendText(dest, size, PenShapeName(shapes[i])) && whole;
        whole = AppendText(dest, size, ", ") && whole;
    }
    return whole;
}

bool BuildHybridPenText(char* dest, size_t size, const int32_t* shapes, int count)
{
    bool whole = CopyText(dest, size, "ハイブリッド筆： ");
    return AppendPenShapeList(dest, size, shapes, count) && whole;
}
