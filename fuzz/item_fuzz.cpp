// Fuzz target: the item reader, ReadItem, on the input as an .itm file.
#define ZAVIK_FUZZ_TARGET FuzzTarget::Item
#include "fuzz/fuzz_main.h"
