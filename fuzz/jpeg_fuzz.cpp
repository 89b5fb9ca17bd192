// Fuzz target: the JPEG decoder adapter, DecodeJPEG, on the input as an open file.
#define ZAVIK_FUZZ_TARGET FuzzTarget::Jpeg
#include "fuzz/fuzz_main.h"
