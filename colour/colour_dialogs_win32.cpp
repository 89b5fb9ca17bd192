#include "colour/colour_dialogs_win32.h"

#include <commdlg.h>

#include <utility>

#include "colour/separation.h"
#include "image/window_front_end_win32.h"
#include "image/offscreen_win32.h"
#include "resources/resource.h"

namespace {

// What each dialog keeps from its first opening to the end of the run: the
// working colours (packed 0x00BBGGRR, the same layout as COLORREF) and the
// 30 x 60 swatch image and the surface the dialog paints from.
struct ColourDialogState {
    uint32_t pen = 0;
    uint32_t background = 0;
    RasterImage swatches;
    Offscreen surface;
};

ColourDialogState& TransparencyDialogState()
{
    static ColourDialogState state;
    return state;
}

ColourDialogState& PenBackgroundDialogState()
{
    static ColourDialogState state;
    return state;
}

// Makes the swatch image and its surface, as each opening does.
void PrepareSwatches(HWND dialog, ColourDialogState& state)
{
    state.swatches.ResizeAndFill(kSwatchWidth, kSwatchHeight, 0);
    HDC dc = GetDC(dialog);
    PrepareOffscreen(state.surface, dc, kSwatchWidth, kSwatchHeight);
    state.swatches.FillHeaders();
    ReleaseDC(dialog, dc);
}

// Paints both colours into the swatch surface.
void DrawSwatches(ColourDialogState& state)
{
    DrawSwatchPair(state.swatches, state.pen, state.background, kPenSwatch, kBackgroundSwatch);
    if (HDC memory = MemoryDc(state.surface)) {
        BITMAPINFO info = GdiBitmapInfo(state.swatches);
        SetDIBitsToDevice(memory, 0, 0, kSwatchWidth, kSwatchHeight, 0, 0, 0, kSwatchHeight,
                          state.swatches.pixels.data, &info, DIB_RGB_COLORS);
    }
}

// Copies the pen square and the background square to their client positions.
void PaintSwatches(HWND dialog, const ColourDialogState& state, POINT penAt, POINT backgroundAt)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    if (HDC memory = MemoryDc(state.surface)) {
        BitBlt(dc, penAt.x, penAt.y, 30, 30, memory, kPenSwatch.left, kPenSwatch.top, SRCCOPY);
        BitBlt(dc, backgroundAt.x, backgroundAt.y, 30, 30, memory, kBackgroundSwatch.left, kBackgroundSwatch.top,
               SRCCOPY);
    }
    EndPaint(dialog, &ps);
}

void Redraw(HWND dialog, ColourDialogState& state)
{
    DrawSwatches(state);
    InvalidateRect(dialog, nullptr, TRUE);
}

// The document a dialog was opened on: its parameter, kept with the dialog
// from WM_INITDIALOG on.
ColourDialogDocument* Subject(HWND dialog)
{
    return reinterpret_cast<ColourDialogDocument*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

ColourDialogDocument& KeepSubject(HWND dialog, LPARAM parameter)
{
    SetWindowLongPtrA(dialog, DWLP_USER, parameter);
    return *Subject(dialog);
}

// The platform's colour chooser, fully open with the colour preselected.
bool ChooseColour(HWND owner, uint32_t& colour)
{
    CHOOSECOLORA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.rgbResult = colour;
    request.lpCustColors = CustomColours();
    request.Flags = CC_FULLOPEN | CC_RGBINIT;
    if (!ChooseColorA(&request))
        return false;
    colour = request.rgbResult & 0x00FFFFFF;
    return true;
}

}  // namespace

COLORREF* CustomColours()
{
    // White to start with, so that every slot of the chooser reads as empty.
    static COLORREF colours[16] = {
        0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
        0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    return colours;
}

INT_PTR CALLBACK TransparencyDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ColourDialogState& state = TransparencyDialogState();
    switch (message) {
    case WM_INITDIALOG: {
        const ColourDialogDocument& doc = KeepSubject(dialog, lParam);
        SetDlgItemInt(dialog, IDC_TOLERANCE, 10, FALSE);
        PrepareSwatches(dialog, state);
        // The proposal: the darkest pixel for the pen, the brightest for the
        // background (each kept from the last opening when none qualifies).
        FindDarkestBrightest(doc.picture, state.pen, state.background);
        DrawSwatches(state);
        return FALSE;
    }
    case WM_PAINT:
        PaintSwatches(dialog, state, {50, 20}, {50, 55});
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SWAP:
            std::swap(state.pen, state.background);
            Redraw(dialog, state);
            return TRUE;
        case IDOK: {
            // Text that is not a number reads as 0.
            UINT tolerance = GetDlgItemInt(dialog, IDC_TOLERANCE, nullptr, FALSE);
            ColourDialogDocument& doc = *Subject(dialog);
            WindowFrontEnd ui(dialog);
            ApplyTransparencyChoice(ui, doc.picture, doc.mask, doc.transparency, state.pen, state.background,
                                    tolerance);
            EndDialog(dialog, 0);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK PenBackgroundDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ColourDialogState& state = PenBackgroundDialogState();
    switch (message) {
    case WM_INITDIALOG: {
        const TransparencyState& transparency = KeepSubject(dialog, lParam).transparency;
        CheckRadioButton(dialog, IDC_MODE_TRANSPARENT, IDC_MODE_FILL,
                         transparency.BackgroundMode == kTransparent ? IDC_MODE_TRANSPARENT : IDC_MODE_FILL);
        PrepareSwatches(dialog, state);
        state.pen = transparency.PenColor;
        state.background = transparency.BGColor;
        DrawSwatches(state);
        return FALSE;
    }
    case WM_PAINT:
        PaintSwatches(dialog, state, {75, 20}, {92, 121});
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CHANGE_PEN:
            if (ChooseColour(dialog, state.pen))
                Redraw(dialog, state);
            return TRUE;
        case IDC_CHANGE_BACKGROUND:
            if (ChooseColour(dialog, state.background))
                Redraw(dialog, state);
            return TRUE;
        case IDOK: {
            ColourDialogDocument& doc = *Subject(dialog);
            ApplyPenBackgroundChoice(doc.picture, doc.mask, doc.transparency, state.pen, state.background,
                                     IsDlgButtonChecked(dialog, IDC_MODE_TRANSPARENT) == BST_CHECKED);
            EndDialog(dialog, 1);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
