// The Open command: the platform's open dialog, then the core's dispatch on
// the file type the user had selected.
#include <windows.h>

#include <commdlg.h>

#include "image/window_front_end_win32.h"
#include "app/main_window_win32.h"
#include "app/open_dispatch.h"

int OpenWithDialog(HWND window, Document& doc)
{
    char file[kPathSize] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;   // the 76-byte form
    ofn.hwndOwner = window;
    ofn.lpstrFilter = kOpenFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = kPathSize;
    ofn.lpstrTitle = "題材を開く";
    ofn.Flags = OFN_HIDEREADONLY;
    ofn.lpstrDefExt = "jpg";
    if (!GetOpenFileNameA(&ofn))
        return -1;
    WindowFrontEnd ui(window);
    ViewChanges changes;
    const int result = OpenChosenFile(ui, static_cast<int>(ofn.nFilterIndex), file, doc, changes);
    ShowViewChanges(window, doc, changes);
    return result;
}
