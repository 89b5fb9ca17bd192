// The Save command's dialog: the platform's Save As dialog, then the core's
// save pipeline with the format of the filter the user had selected.
#pragma once

#include <windows.h>

#include "app/document.h"

// The folder the save dialog opens in: the folder of the last save, empty
// at start.
extern char LastSaveFolder[MAX_PATH];

// Saves doc's picture as the user chooses. 0 when the dialog was completed
// (whatever the writer's outcome), -1 when it was cancelled or failed.
int SavePicture(HWND window, const Document& doc);
