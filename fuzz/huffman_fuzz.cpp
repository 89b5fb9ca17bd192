// Fuzz target: one Huffman image section, HuffDecodeImg, into Picture.
#define ZAVIK_FUZZ_TARGET FuzzTarget::Huffman
#include "fuzz/fuzz_main.h"
