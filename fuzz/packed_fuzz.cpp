// Fuzz target: one packed picture, ReadPackedPicture, at 50 x 50 and again at 100 x 100.
#define ZAVIK_FUZZ_TARGET FuzzTarget::Packed
#include "fuzz/fuzz_main.h"
