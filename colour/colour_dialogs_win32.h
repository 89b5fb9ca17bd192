// Dialog 146 (背景透過) and dialog 147 (筆と背景の色): the dialog procedures
// the Options menu runs. The separation, the recolouring and the rules of
// OK live in colour/separation; these only show colours and read choices.
#pragma once

#include <windows.h>

#include "colour/transparency_state.h"
#include "image/byte_buffer.h"
#include "image/raster_image.h"

// What both dialogs work on: the document's picture, mask and transparency
// state. The caller passes its address as the dialog's parameter
// (DialogBoxParam's last argument); it must outlive the dialog.
struct ColourDialogDocument {
    RasterImage& picture;
    ByteBuffer& mask;
    TransparencyState& transparency;
};

INT_PTR CALLBACK TransparencyDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PenBackgroundDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The 16 custom colours handed to the colour chooser, kept for the run.
COLORREF* CustomColours();
