#include "tests/win32/message_box_hook_win32.h"

#include <initializer_list>

namespace {

ModalBoxCatcher* current = nullptr;

bool IsDialogWindow(HWND window)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    return lstrcmpA(className, "#32770") == 0;
}

// A message box keeps its text in a static control: id 0xFFFF on Windows,
// 100 under Wine.
std::string MessageText(HWND box)
{
    for (int id : {0xFFFF, 100}) {
        if (HWND text = GetDlgItem(box, id)) {
            std::string s = WindowText(text);
            if (!s.empty())
                return s;
        }
    }
    return std::string();
}

}  // namespace

std::string WindowText(HWND window)
{
    char buffer[1024] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

void SelectType(HWND fileDialog)
{
    const int typeBox = 0x470;   // cmb1
    HWND box = GetDlgItem(fileDialog, typeBox);
    for (WORD notification : {WORD(CBN_SELCHANGE), WORD(CBN_SELENDOK)})
        SendMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(typeBox, notification), reinterpret_cast<LPARAM>(box));
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

ModalBoxCatcher::ModalBoxCatcher(int button) : button_(button)
{
    current = this;
    hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

ModalBoxCatcher::~ModalBoxCatcher()
{
    UnhookWindowsHookEx(hook_);
    current = nullptr;
}

LRESULT CALLBACK ModalBoxCatcher::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && current) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (IsDialogWindow(window)) {
            current->boxes_.push_back({WindowText(window), MessageText(window), GetWindow(window, GW_OWNER)});
            if (current->later_) {
                SetTimer(window, 1, 50, Later);
                return CallNextHookEx(nullptr, code, wParam, lParam);
            }
            if (current->fill_)
                current->fill_(window);
            int button = current->button_;
            if (current->choose_) {
                int chosen = current->choose_(window);
                if (chosen != kDefaultButton)
                    button = chosen;
            }
            if (button != kNoButton)
                PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK ModalBoxCatcher::Later(HWND window, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(window, timer);
    if (!current)
        return;
    current->later_(window);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(current->button_, BN_CLICKED), 0);
}
