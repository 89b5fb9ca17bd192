#include "formats/painter/item_reader.h"

// Item files are not read yet: every item fails as one with a wrong magic
// (-1, no message).
int ReadItem(WindowHandle, const char*, RasterImage&, ItemRecord&) { return -1; }
