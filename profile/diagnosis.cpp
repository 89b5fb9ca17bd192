#include "profile/diagnosis.h"

#include <cstring>

#include <cstdint>

#include "image/sjis_text.h"

namespace {

const char kLineBreak[] = "\r\n";

// Brightness bands, shared by the brightness and the vividness sentence (the
// vividness sentence is chosen from the brightness as well). The bounds are
// double constants and the pen's float is widened before each test, so a
// float just below 0.7 (the float nearest 0.7) counts as below it.
struct BrightnessBand {
    double below;
    const char* brightness;
    const char* vividness;
};
const BrightnessBand kBrightnessBands[] = {
    {0.5, "めっちゃくら～いの色で描きます。", "めっちゃあわ～い色が好きです。"},
    {0.7, "かなり暗めの色で描きます。", "また、結構淡い色が好きです。"},
    {0.9, "やや暗めの色で描きます。", "また、やや淡い色が好きです。"},
    {1.1, "題材どおりの明るさで描きます。", ""},
    {1.3, "やや明るめの色で描きます。", "また、やや鮮やかな色が好きです。"},
    {1.6, "かなり明るい色で描きます。", "また、かなり鮮やかな色が好きです。"},
};
const BrightnessBand kBrightest = {0.0, "めっちゃあっっかるい色で描きます。", "めっちゃ鮮やかな色が好きです。"};

const BrightnessBand& BandFor(float brightness)
{
    const double value = brightness;
    for (const BrightnessBand& band : kBrightnessBands)
        if (value < band.below)
            return band;
    return kBrightest;
}

// Transparency from alpha; the fill and outline wordings differ.
struct AlphaBand {
    int32_t below;
    const char* fill;
    const char* outline;
};
const AlphaBand kAlphaBands[] = {
    {20, "とても透明度が高いです。", "とても透明度が高いです。"},
    {100, "透明度は高めです。", "透明度は高いです。"},
    {140, "", ""},
    {220, "透明度は低めです。", "透明度は低いです。"},
};
const AlphaBand kMostOpaque = {0, "とても透明度が低いです。", "とても透明度低いです。"};

const AlphaBand& AlphaBandFor(int32_t alpha)
{
    for (const AlphaBand& band : kAlphaBands)
        if (alpha < band.below)
            return band;
    return kMostOpaque;
}

// PL, the percentage of strokes that fill rather than outline.
const char* PreferenceSentence(int32_t pl)
{
    if (pl < 10)
        return "輪郭大好き。ほとんど塗りません。";
    if (pl < 30)
        return "輪郭が好きで、あまり塗りません。";
    if (pl < 50)
        return "どちらかと言うと輪郭が好きです。";
    if (pl < 70)
        return "どちらかと言うと塗りの方が好きです。";
    if (pl < 90)
        return "塗りの方が好きで、輪郭はあまり描きません。";
    return "塗りが大好き。輪郭はめったに描きません。";
}

// ErrorRangeForL against single-precision bounds.
const char* MeticulousnessSentence(float errorRange)
{
    if (errorRange < 5.0f)
        return "　超きちょうめんです。";
    if (errorRange < 10.0f)
        return "　やや、きちょうめんです。";
    if (errorRange < 30.0f)
        return "";
    if (errorRange < 40.0f)
        return "　やや、おおざっぱです。";
    return "　超おおざっぱです。";
}

// Only these type codes have a name; every other code writes no line.
const char* TypeSentence(int8_t type)
{
    switch (type) {
    case -1: return "　ぬらべタイプの絵師です。";
    case 1: return "　ハイライトタイプの絵師です。";
    case 2: return "　シャドウタイプの絵師です。";
    case 5: return "　単色タイプの絵師です。";
    default: return nullptr;
    }
}

// Appends through one object so that a cut anywhere is remembered.
struct TextBuilder {
    char* out;
    size_t size;
    bool whole = true;
    void Add(const char* text) { whole = AppendText(out, size, text) && whole; }
};

void AddPenLine(TextBuilder& text, const char* opening, const PenSettings& pen, bool fill)
{
    const BrightnessBand& band = BandFor(pen.brightness);
    const AlphaBand& alpha = AlphaBandFor(pen.alpha);
    text.Add(opening);
    text.Add(band.brightness);
    text.Add(band.vividness);
    text.Add(fill ? alpha.fill : alpha.outline);
    text.Add(kLineBreak);
}

}  // namespace

int BuildDiagnosis(const PainterRecord& painter, char* out, size_t size)
{
    if (size == 0)
        return kDiagnosisCut;
    out[0] = '\0';
    TextBuilder text{out, size};

    const bool master = painter.isMaster == 1;
    if (master) {
        text.Add("　マスター絵師です。");
        text.Add(kLineBreak);
    }
    if (const char* type = TypeSentence(painter.Type)) {
        text.Add(type);
        text.Add(kLineBreak);
    }
    text.Add("　");
    text.Add(PreferenceSentence(painter.PL));
    text.Add(kLineBreak);
    AddPenLine(text, "　塗りの時には、", painter.fillPen, true);
    AddPenLine(text, "　輪郭を描く時には、", painter.outlinePen, false);

    // The last line has no line break after it.
    text.Add(MeticulousnessSentence(painter.ErrorRangeForL));
    if (painter.PaintedCount > 50)
        text.Add("結構ベテランかも。");
    // The difference is taken in 64 bits: in 32 bits it overflows for
    // values far apart, such as a negative RefreshExp and a large Exp.
    if (int64_t{painter.RefreshExp} - painter.Exp < 4 && !master)
        text.Add("もうそろそろ今の描画方法に飽きてきた頃。");
    // When the last line has no sentence at all, the text ends with the
    // outline line: it carries no line break after it either.
    size_t length = std::strlen(out);
    if (length >= 2 && std::strcmp(out + length - 2, kLineBreak) == 0)
        out[length - 2] = '\0';
    return text.whole ? kDiagnosisBuilt : kDiagnosisCut;
}
