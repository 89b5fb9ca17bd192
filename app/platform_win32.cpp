// The core's platform services on Win32.
#include <windows.h>

#include <string>

#include "image/platform.h"

// The box's text is the catalogue's with the argument's bytes as they are:
// both are in the ANSI code page here.
void ShowMessage(WindowHandle owner, MessageId id, const char* argument)
{
    MessageBoxA(static_cast<HWND>(owner), Cp932MessageText(id, argument).c_str(), TextOfMessage(id).caption, MB_OK);
}

void SetWindowTitle(WindowHandle window, const char* title) { SetWindowTextA(static_cast<HWND>(window), title); }

void SetControlText(WindowHandle window, int controlId, const char* text)
{
    if (HWND control = GetDlgItem(static_cast<HWND>(window), controlId))
        SetWindowTextA(control, text);
}
