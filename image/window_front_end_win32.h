// The core's front end on Win32: message boxes owned by one window and the
// text of that window's controls.
#pragma once

#include <windows.h>

#include "image/front_end.h"

// Bound to the window the core works for: the main window, or a dialog
// while that dialog calls the core, so that each box has the owner it had
// when the core was handed the window itself.
class WindowFrontEnd final : public FrontEnd {
public:
    explicit WindowFrontEnd(HWND window) : window_(window) {}
    void ShowMessage(MessageId id, const char* argument, BoxOwner owner) override;
    void SetControlText(int controlId, const char* text) override;

private:
    HWND window_;
};
