// DebugDisplayBox (the program-wide DebugDisplay): a small program-wide helper that shows an integer in a
// message box. Its owner window is never set, so the box has no owner.
#pragma once

class DebugDisplayBox {
public:
    void* ownerWindow = nullptr;
    void Show(int value) const;
};
