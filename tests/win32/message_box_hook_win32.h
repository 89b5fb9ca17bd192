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

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_;
    int button_;
    std::vector<SeenBox> boxes_;
    std::function<void(HWND)> fill_;
};

// Processes every message waiting on this thread.
void PumpMessages();

// The text of a window, as the program set it (code page 932).
std::string WindowText(HWND window);
