// Painter files (.esi): one painter with its picture, pen pictures, extra
// tables and memo. The viewer only reads them.
#pragma once

#include <cstdint>
#include <cstdio>

#include "app/platform.h"
#include "formats/painter/painter_record.h"

// Results of the readers.
enum PainterReadResult : int {
    kPainterRead = 0,
    kPainterBadMagic = -1,    // wrong magic, or a picture format word other than 0 and 1
    kPainterBadVersion = -2,  // version word not 0
};

// Opens path, reads the whole painter into painter and Picture (document
// kind Painter), reports a failure in a box owned by window and closes the
// file. 0 after a load, -1 after a failure (no message when the file cannot
// be opened).
int LoadPainterFile(WindowHandle window, PainterRecord& painter, const char* path);
// The same for the short form, which reads only the fixed header fields.
int LoadPainterFileShort(WindowHandle window, PainterRecord& painter, const char* path);
