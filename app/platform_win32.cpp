// The core's platform services on Win32.
#include <windows.h>

#include <string>

#include "image/platform.h"

void ShowMessage(WindowHandle owner, const char* text, const char* caption)
{
    MessageBoxA(static_cast<HWND>(owner), text, caption, MB_OK);
}

// The box's text is the two as one, the path's bytes as they are: both are
// in the ANSI code page here.
void ShowPathMessage(WindowHandle owner, const char* text, const char* path, const char* caption)
{
    const std::string whole = std::string(text) + path;
    ShowMessage(owner, whole.c_str(), caption);
}

void SetWindowTitle(WindowHandle window, const char* title) { SetWindowTextA(static_cast<HWND>(window), title); }

void SetControlText(WindowHandle window, int controlId, const char* text)
{
    if (HWND control = GetDlgItem(static_cast<HWND>(window), controlId))
        SetWindowTextA(control, text);
}
