// Dialog 117, 絵師の特徴: the loaded painter's names, pens, pen pictures and
// memo. The texts come from the core (shape names, diagnosis); this file
// only puts them into the controls and paints the two pen pictures.
#include "profile/painter_dialog_win32.h"

#include <cstdio>

#include "formats/painter/pen_shapes.h"
#include "image/offscreen_win32.h"
#include "profile/diagnosis.h"
#include "resources/resource.h"

namespace {

// The two 50 x 50 pen surfaces, made on first use and kept until exit.
Offscreen& PenSurface(int which)
{
    static Offscreen surfaces[2];
    return surfaces[which];
}

const POINT kPenPicturePlaces[2] = {{10, 59}, {10, 177}};

void SetNumber(HWND dialog, int id, int32_t value)
{
    char text[256];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    SetDlgItemTextA(dialog, id, text);
}

void ShowPen(HWND dialog, const char* name, const PenSettings& pen, int nameId, int shapeId, int sizeId,
             int hardnessId, int densityId)
{
    SetDlgItemTextA(dialog, nameId, name);
    SetDlgItemTextA(dialog, shapeId, PenShapeName(pen.shape));
    SetNumber(dialog, sizeId, pen.width);
    SetNumber(dialog, hardnessId, pen.consistency);
    SetNumber(dialog, densityId, pen.density);
}

void PreparePenSurfaces(HWND dialog, const PainterRecord& painter)
{
    HDC dc = GetDC(dialog);
    const RasterImage* pictures[2] = {&painter.fillPenPicture, &painter.outlinePenPicture};
    for (int i = 0; i < 2; ++i) {
        Offscreen& surface = PenSurface(i);
        PrepareOffscreen(surface, dc, kPenPictureSize, kPenPictureSize);
        const RasterImage& pen = *pictures[i];
        BITMAPINFO info = GdiBitmapInfo(pen);
        // Only a picture whose block holds its 50 rows is drawn.
        if (HDC memory = MemoryDc(surface); memory && pen.width == kPenPictureSize &&
                                             pen.height == kPenPictureSize && !pen.Empty())
            SetDIBitsToDevice(memory, 0, 0, kPenPictureSize, kPenPictureSize, 0, 0, 0, kPenPictureSize,
                              pen.pixels.data, &info, DIB_RGB_COLORS);
    }
    ReleaseDC(dialog, dc);
}

void PaintPenPictures(HWND dialog)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    for (int i = 0; i < 2; ++i)
        if (HDC memory = MemoryDc(PenSurface(i)))
            BitBlt(dc, kPenPicturePlaces[i].x, kPenPicturePlaces[i].y, kPenPictureSize, kPenPictureSize, memory, 0,
                   0, SRCCOPY);
    EndPaint(dialog, &ps);
}

// The painter the dialog was opened on: its parameter, kept with the dialog
// from WM_INITDIALOG on.
PainterRecord& Painter(HWND dialog)
{
    return *reinterpret_cast<PainterRecord*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

}  // namespace

void ShowPainterFields(HWND dialog, const PainterRecord& p)
{
    ShowPen(dialog, p.fillPenName, p.fillPen, IDC_FILL_PEN_NAME, IDC_FILL_PEN_SHAPE, IDC_FILL_PEN_SIZE,
            IDC_FILL_PEN_HARDNESS, IDC_FILL_PEN_DENSITY);
    ShowPen(dialog, p.outlinePenName, p.outlinePen, IDC_OUTLINE_PEN_NAME, IDC_OUTLINE_PEN_SHAPE,
            IDC_OUTLINE_PEN_SIZE, IDC_OUTLINE_PEN_HARDNESS, IDC_OUTLINE_PEN_DENSITY);
}

void ShowMemo(HWND dialog, const PainterRecord& painter) { SetDlgItemTextA(dialog, IDC_MEMO, painter.memo); }

void StoreMemo(HWND dialog, PainterRecord& painter)
{
    // At most 599 bytes and the terminator: longer text is cut.
    GetDlgItemTextA(dialog, IDC_MEMO, painter.memo, sizeof painter.memo);
}

void DiagnosePainter(HWND dialog, const PainterRecord& painter)
{
    char text[kDiagnosisSize];
    BuildDiagnosis(painter, text, sizeof text);
    SetDlgItemTextA(dialog, IDC_MEMO, text);
}

INT_PTR CALLBACK PainterDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        const PainterRecord& painter = Painter(dialog);
        SetDlgItemTextA(dialog, IDC_PAINTER_NAME, painter.name);
        PreparePenSurfaces(dialog, painter);
        ShowPainterFields(dialog, painter);
        ShowMemo(dialog, painter);
        return FALSE;
    }
    case WM_PAINT:
        PaintPenPictures(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
        case IDC_CLOSE:
            SendMessageA(dialog, WM_CLOSE, 0, 0);
            return TRUE;
        case IDC_DIAGNOSE:
            // Only for a painter that carries the second text, which no
            // reader fills.
            if (Painter(dialog).auxText[0] != '\0')
                DiagnosePainter(dialog, Painter(dialog));
            return TRUE;
        case IDC_STORE_MEMO:
            StoreMemo(dialog, Painter(dialog));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}
