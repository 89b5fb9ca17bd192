// Fuzz target: the short painter reader, ReadPainterShort, on the input as an open file.
#define ZAVIK_FUZZ_TARGET FuzzTarget::PainterShort
#include "fuzz/fuzz_main.h"
