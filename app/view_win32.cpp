// The view: the back buffer, the drawing of the composed picture and what an
// open's changes do to the window. The arithmetic (backdrop, blend, zoomed
// size) is the core's; this file only hands the results to GDI.
#include <windows.h>

#include <commctrl.h>

#include "app/document.h"
#include "app/main_window_win32.h"
#include "app/open_dispatch.h"
#include "app/view_layout.h"
#include "image/offscreen_win32.h"
#include "image/window_front_end_win32.h"

namespace {

// The header to draw the composed image with: the picture's own, unless it
// does not describe the block, in which case one that does is used so that
// GDI never reads past it.
BITMAPINFO DrawingInfo(const RasterImage& picture, const RasterImage& composed)
{
    BITMAPINFO info = GdiBitmapInfo(picture);
    const BITMAPINFOHEADER& h = info.bmiHeader;
    LONG rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    if (h.biWidth != composed.width || rows != composed.height || h.biBitCount != 24 || h.biCompression != BI_RGB ||
        h.biPlanes != 1) {
        info = BITMAPINFO{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = composed.width;
        info.bmiHeader.biHeight = composed.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
    }
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    return info;
}

}  // namespace

Offscreen BackBuffer;

int CreateBackBuffer(HWND window)
{
    HDC dc = GetDC(window);
    int w = GetSystemMetrics(SM_CXSCREEN);
    int h = GetSystemMetrics(SM_CYSCREEN);
    PrepareOffscreen(BackBuffer, dc, w, h);
    if (HDC back = MemoryDc(BackBuffer)) {
        SelectObject(back, GetStockObject(GRAY_BRUSH));
        PatBlt(back, 0, 0, w, h, PATCOPY);
    }
    ReleaseDC(window, dc);
    return 0;
}

void LayoutView(HWND window, Document& doc) { LayoutView(window, doc, doc.CurrentPainter.name); }

void LayoutView(HWND window, Document& doc, const char* painterName)
{
    RasterImage composed;
    HDC dc = GetDC(window);
    const int32_t W = doc.Picture.width;
    const int32_t H = doc.Picture.height;

    BuildBackdrop(doc.Backdrop, W, H, doc.Transparency.BackgroundMode, doc.Transparency.BGColor);
    // Without a blend the picture is drawn as it is, with no copy made.
    const RasterImage* shown =
        ViewPicture(composed, doc.Picture, doc.Backdrop, doc.AlphaMask, doc.Transparency.MaskActive);

    int w = GetSystemMetrics(SM_CXSCREEN);
    int h = GetSystemMetrics(SM_CYSCREEN);
    MakeOffscreenBitmap(BackBuffer, dc, w, h);
    HDC back = MemoryDc(BackBuffer);
    if (back)
        SelectObject(back, GetStockObject(GRAY_BRUSH));
    PatBlt(dc, 0, 0, w, h, PATCOPY);
    if (back)
        PatBlt(back, 0, 0, w, h, PATCOPY);

    const int32_t dw = DisplayLength(W, doc.ZoomFactor);
    const int32_t dh = DisplayLength(H, doc.ZoomFactor);
    SetStretchBltMode(dc, COLORONCOLOR);
    if (back)
        SetStretchBltMode(back, COLORONCOLOR);
    if (shown && !shown->Empty()) {
        BITMAPINFO info = DrawingInfo(doc.Picture, *shown);
        StretchDIBits(dc, 0, 0, dw, dh, 0, 0, W, H, shown->pixels.data, &info, DIB_RGB_COLORS, SRCCOPY);
        if (back)
            StretchDIBits(back, 0, 0, dw, dh, 0, 0, W, H, shown->pixels.data, &info, DIB_RGB_COLORS, SRCCOPY);
    }
    ReleaseDC(window, dc);

    RECT rect = {0, 0, ClientWidthFor(dw), dh};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, TRUE);
    const int windowWidth = rect.right - rect.left;
    const int windowHeight = rect.bottom - rect.top + kStatusBarRoom;
    SetWindowPos(window, nullptr, 0, 0, windowWidth, windowHeight, SWP_NOMOVE | SWP_NOZORDER);
    // AdjustWindowRect counts one menu line; at a narrow width the menu bar
    // wraps onto a second one, which would leave the status bar over the
    // picture's bottom rows. Grow the window by what the wrap took.
    RECT client;
    GetClientRect(window, &client);
    const int missing = dh + kStatusBarRoom - (client.bottom - client.top);
    if (missing > 0)
        SetWindowPos(window, nullptr, 0, 0, windowWidth, windowHeight + missing, SWP_NOMOVE | SWP_NOZORDER);
    ShowScrollBar(window, SB_VERT, FALSE);
    ShowScrollBar(window, SB_HORZ, FALSE);

    char status[kStatusSize];
    FormatLayoutStatus(status, painterName);
    SendMessageA(StatusBar, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(status));
}

void ShowViewChanges(HWND window, Document& doc, const ViewChanges& changes)
{
    if (changes.layout)
        LayoutView(window, doc, changes.layoutPainterName);
    if (changes.title)
        SetWindowTextA(window, changes.titleText);
}

int OpenInWindow(HWND window, Document& doc, const char* path)
{
    WindowFrontEnd ui(window);
    ViewChanges changes;
    const int result = Read_ESI_CNV(ui, path, doc, changes);
    ShowViewChanges(window, doc, changes);
    return result;
}
