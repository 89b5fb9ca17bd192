#include "image/debug_display.h"

#include <cstdio>

#include "image/platform.h"

void DebugDisplayBox::Show(int value) const
{
    char text[100];
    std::snprintf(text, sizeof text, "value = %d", value);
    ShowMessage(ownerWindow, text, "Display");
}
