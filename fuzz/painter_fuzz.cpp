// Fuzz target: the full painter reader, ReadPainter, on the input as an open file.
#define ZAVIK_FUZZ_TARGET FuzzTarget::Painter
#include "fuzz/fuzz_main.h"
