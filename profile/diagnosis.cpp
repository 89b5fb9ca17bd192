#include "profile/diagnosis.h"

#include <cstring>

#include <cstdint>

#include "image/sjis_text.h"
#include "image/texts.h"

namespace {

const char kLineBreak[] = "\r\n";

// Brightness bands, shared by the brightness and the vividness sentence (the
// vividness sentence is chosen from the brightness as well). The bounds are
// double constants and the pen's float is widened before each test, so a
// float just below 0.7 (the float nearest 0.7) counts as below it.
const double kBrightnessBelow[kBrightnessBandCount - 1] = {0.5, 0.7, 0.9, 1.1, 1.3, 1.6};
// Transparency from alpha; the fill and outline wordings differ.
const int32_t kAlphaBelow[kAlphaBandCount - 1] = {20, 100, 140, 220};
// PL, the percentage of strokes that fill rather than outline.
const int32_t kPreferenceBelow[kPreferenceBandCount - 1] = {10, 30, 50, 70, 90};
// ErrorRangeForL against single-precision bounds.
const float kMeticulousnessBelow[kMeticulousnessBandCount - 1] = {5.0f, 10.0f, 30.0f, 40.0f};

// The band of value: the first whose bound it is below, else the last.
template <typename Bound, typename Value, size_t n>
int BandOf(const Bound (&below)[n], Value value)
{
    for (size_t i = 0; i < n; ++i)
        if (value < below[i])
            return static_cast<int>(i);
    return static_cast<int>(n);
}

// Only these type codes have a name; every other code writes no line.
const char* TypeSentence(int8_t type)
{
    switch (type) {
    case -1: return kTypeSentences[0];
    case 1: return kTypeSentences[1];
    case 2: return kTypeSentences[2];
    case 5: return kTypeSentences[3];
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
    const int band = BandOf(kBrightnessBelow, static_cast<double>(pen.brightness));
    const int alpha = BandOf(kAlphaBelow, pen.alpha);
    text.Add(opening);
    text.Add(kBrightnessSentences[band]);
    text.Add(kVividnessSentences[band]);
    text.Add(fill ? kFillAlphaSentences[alpha] : kOutlineAlphaSentences[alpha]);
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
        text.Add(kMasterSentence);
        text.Add(kLineBreak);
    }
    if (const char* type = TypeSentence(painter.Type)) {
        text.Add(type);
        text.Add(kLineBreak);
    }
    text.Add(kDiagnosisIndent);
    text.Add(kPreferenceSentences[BandOf(kPreferenceBelow, painter.PL)]);
    text.Add(kLineBreak);
    AddPenLine(text, kFillPenOpening, painter.fillPen, true);
    AddPenLine(text, kOutlinePenOpening, painter.outlinePen, false);

    // The last line has no line break after it.
    text.Add(kMeticulousnessSentences[BandOf(kMeticulousnessBelow, painter.ErrorRangeForL)]);
    if (painter.PaintedCount > 50)
        text.Add(kVeteranSentence);
    // The difference is taken in 64 bits: in 32 bits it overflows for
    // values far apart, such as a negative RefreshExp and a large Exp.
    if (int64_t{painter.RefreshExp} - painter.Exp < 4 && !master)
        text.Add(kTiredSentence);
    // When the last line has no sentence at all, the text ends with the
    // outline line: it carries no line break after it either.
    size_t length = std::strlen(out);
    if (length >= 2 && std::strcmp(out + length - 2, kLineBreak) == 0)
        out[length - 2] = '\0';
    return text.whole ? kDiagnosisBuilt : kDiagnosisCut;
}
