// The core's platform services on Win32.
#include <windows.h>

#include "image/platform.h"

void ShowMessage(WindowHandle owner, const char* text, const char* caption)
{
    MessageBoxA(static_cast<HWND>(owner), text, caption, MB_OK);
}

void SetWindowTitle(WindowHandle window, const char* title) { SetWindowTextA(static_cast<HWND>(window), title); }

void SetControlText(WindowHandle window, int controlId, const char* text)
{
    if (HWND control = GetDlgItem(static_cast<HWND>(window), controlId))
        SetWindowTextA(control, text);
}
