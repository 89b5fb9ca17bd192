// Fuzz target: the PNG open step, LoadPNG, into Picture and AlphaMask.
#define ZAVIK_FUZZ_TARGET FuzzTarget::Png
#include "fuzz/fuzz_main.h"
