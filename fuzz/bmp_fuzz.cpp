// Fuzz target: the BMP reader, ReadBMP, into Picture.
#define ZAVIK_FUZZ_TARGET FuzzTarget::Bmp
#include "fuzz/fuzz_main.h"
