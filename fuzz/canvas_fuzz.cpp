// Fuzz target: the canvas reader, ReadCNV, on the input as a .cnv file.
#define ZAVIK_FUZZ_TARGET FuzzTarget::Canvas
#include "fuzz/fuzz_main.h"
