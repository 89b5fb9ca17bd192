#include "formats/painter/painter_reader.h"

// Painter files are not read yet: every painter file fails as one that cannot
// be opened (-1, no message).
int LoadPainterFile(WindowHandle, PainterRecord&, const char*) { return -1; }
int LoadPainterFileShort(WindowHandle, PainterRecord&, const char*) { return -1; }
