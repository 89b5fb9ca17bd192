// The fixture of the tests that drive the real main window in this process:
// every test starts as the program does, with nothing loaded, and leaves
// nothing behind for the next.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "app/document.h"
#include "app/main_window_win32.h"
#include "tests/win32/message_box_hook_win32.h"

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetDocument();
        window = CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
        ASSERT_NE(window, nullptr);
        PumpMessages();
    }
    void TearDown() override
    {
        if (IsWindow(window))
            DestroyWindow(window);
        PumpMessages();
        ResetDocument();
    }

    // The viewer's document as at start-up.
    static void ResetDocument() { ViewerDocument() = Document(); }

    void Command(int id)
    {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        PumpMessages();
    }

    SIZE ClientSize() const
    {
        RECT r;
        GetClientRect(window, &r);
        return {r.right - r.left, r.bottom - r.top};
    }

    HWND window = nullptr;
    Document& doc = ViewerDocument();   // what the window works on
};
