// The core's front end on Win32.
#include "image/window_front_end_win32.h"

#include <string>

// The box's text is the catalogue's with the argument's bytes as they are:
// both are in the ANSI code page here.
void WindowFrontEnd::ShowMessage(MessageId id, const char* argument, BoxOwner owner)
{
    MessageBoxA(owner == BoxOwner::kWindow ? window_ : nullptr, Cp932MessageText(id, argument).c_str(),
                TextOfMessage(id).caption, MB_OK);
}

void WindowFrontEnd::SetControlText(int controlId, const char* text)
{
    if (HWND control = GetDlgItem(window_, controlId))
        SetWindowTextA(control, text);
}
