// Dismisses the modal boxes and dialogs that the code under test opens on
// this thread, recording each one's caption and text (the static text of a
// message box) before pressing the given button.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct SeenBox {
    std::string caption;
    std::string text;
    HWND owner;
};

class ModalBoxCatcher {
public:
    explicit ModalBoxCatcher(int button = IDOK);
    ~ModalBoxCatcher();
    ModalBoxCatcher(const ModalBoxCatcher&) = delete;
    ModalBoxCatcher& operator=(const ModalBoxCatcher&) = delete;

    const std::vector<SeenBox>& Boxes() const { return boxes_; }
    void Clear() { boxes_.clear(); }

    // Called for each dialog before the button is pressed, to fill it in
    // (for example the file name of an open dialog).
    void OnDialog(std::function<void(HWND)> fill) { fill_ = std::move(fill); }
    // The same, but the callback says which button to press: kDefaultButton
    // for the catcher's own, kNoButton to leave the dialog open (the test
    // then ends it itself), or a control id.
    static constexpr int kDefaultButton = 0;
    static constexpr int kNoButton = -1;
    void OnDialogChoose(std::function<int(HWND)> fill) { choose_ = std::move(fill); }
    // As OnDialog, but run once the dialog is up and idle (a common dialog
    // fills its controls after it was first activated), then the button.
    void OnDialogLater(std::function<void(HWND)> fill) { later_ = std::move(fill); }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Later(HWND window, UINT, UINT_PTR timer, DWORD);
    HHOOK hook_;
    int button_;
    std::vector<SeenBox> boxes_;
    std::function<void(HWND)> fill_;
    std::function<int(HWND)> choose_;
    std::function<void(HWND)> later_;
};

// Processes every message waiting on this thread.
void PumpMessages();

// Tells a file dialog that the user picked the type now selected in its
// type box, with the notifications a real pick sends.
void SelectType(HWND fileDialog);

// The text of a window, as the program set it (code page 932).
std::string WindowText(HWND window);
