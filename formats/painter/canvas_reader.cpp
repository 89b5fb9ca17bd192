#include "formats/painter/canvas_reader.h"

// Canvas files are not read yet: every canvas fails as one that cannot be
// opened (-1, no message).
int ReadCNV(WindowHandle, char*, char*, const char*) { return -1; }
