// Fuzz target: the viewer's open by content, Read_ESI_CNV, on the input as a file.
#define ZAVIK_FUZZ_TARGET FuzzTarget::Open
#include "fuzz/fuzz_main.h"
