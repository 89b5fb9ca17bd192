#include "colour/transparency_state.h"

TransparencyState Transparency;
