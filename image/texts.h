// The words the core puts together into what it shows: titles and status
// lines, an item's explanation, pen names and a painter's diagnosis, in code
// page 932. They live with the messages in the one catalogue
// (image/catalogue.cpp), the only source that holds Japanese text, so that
// every other source compiles the same for every target.
#pragma once

#include <cstdint>

// Titles, status lines and the size box
extern const char kNoPainterName[];        // the painter name when there is none
extern const char kTitlePainterText[];     // between a title's path and painter name
extern const char kTitleTailText[];        // the end of every title
extern const char kPainterLabelText[];     // a status line's start
extern const char kStatusSizeFormat[];     // a status line's size, after the painter name (printf)
extern const char kSizeFormat[];           // the size box (printf)

// An item's explanation
extern const char kItemKindLabel[];
extern const char kItemWidthLabel[];       // each label starts with its line breaks
extern const char kItemHardnessLabel[];
extern const char kItemDensityLabel[];

// Pen shapes 0..34, the hybrid pen (-2), any other number; a hybrid pen's
// list of components starts with kHybridPenListText.
constexpr int32_t kPenShapeNameCount = 35;
extern const char* const kPenShapeNames[kPenShapeNameCount];
extern const char kHybridPenName[];
extern const char kUnknownPenName[];
extern const char kHybridPenListText[];

// A painter's diagnosis. The tables run from the lowest band of their value
// to the highest; an empty sentence means none is said for that band.
constexpr int kBrightnessBandCount = 7;
extern const char* const kBrightnessSentences[kBrightnessBandCount];
extern const char* const kVividnessSentences[kBrightnessBandCount];
constexpr int kAlphaBandCount = 5;
extern const char* const kFillAlphaSentences[kAlphaBandCount];
extern const char* const kOutlineAlphaSentences[kAlphaBandCount];
constexpr int kPreferenceBandCount = 6;   // the share of strokes that fill
extern const char* const kPreferenceSentences[kPreferenceBandCount];
constexpr int kMeticulousnessBandCount = 5;
extern const char* const kMeticulousnessSentences[kMeticulousnessBandCount];
// The painter types with a name: -1, 1, 2 and 5, in that order.
constexpr int kNamedTypeCount = 4;
extern const char* const kTypeSentences[kNamedTypeCount];
extern const char kMasterSentence[];
extern const char kDiagnosisIndent[];      // a full-width space
extern const char kFillPenOpening[];
extern const char kOutlinePenOpening[];
extern const char kVeteranSentence[];
extern const char kTiredSentence[];
