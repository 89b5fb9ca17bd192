// Automatic diagnosis: a painter's numbers turned into a short description
// in plain Japanese (code page 932), for the memo edit of the painter dialog.
//
// Owned by the painter profile. Pure: it reads the record and writes only
// the caller's buffer. The Win32 dialog puts the text into its memo edit.
#pragma once

#include <cstddef>

#include "formats/painter/painter_record.h"

// The memo edit's size, terminator included; every diagnosis fits in it
// (the longest is about 410 bytes).
constexpr size_t kDiagnosisSize = 600;

// Results of BuildDiagnosis.
enum DiagnosisResult : int {
    kDiagnosisBuilt = 0,
    kDiagnosisCut = -1,   // out was too small; it holds the text cut at a character boundary
};

// The description of the painter, lines separated by "\r\n". Writes at most
// size bytes, terminator included (size >= 1).
int BuildDiagnosis(const PainterRecord& painter, char* out, size_t size);
