// Fuzz target: one Huffman image section, HuffDecodeImg, into Picture; then
// its coded bytes, repeated, through the split decoder against the single one.
#define ZAVIK_FUZZ_TARGET FuzzTarget::Huffman
#include "fuzz/fuzz_main.h"
