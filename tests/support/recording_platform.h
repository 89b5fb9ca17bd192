// The unit tests' front end: every message and control text the core
// shows is recorded, with the window it was owned by, so that tests can
// check them. What an open asks of the view comes back in its ViewChanges,
// which the tests read themselves.
#pragma once

#include <string>
#include <vector>

#include "image/front_end.h"

// The window a box was owned by, as the Win32 program would have handed it
// to MessageBox; null for a box of no window's.
using WindowHandle = void*;

struct RecordedMessage {
    WindowHandle owner;
    std::string text;
    std::string caption;
    bool operator==(const RecordedMessage& o) const
    {
        return owner == o.owner && text == o.text && caption == o.caption;
    }
};

struct RecordedCalls {
    std::vector<RecordedMessage> messages;
    std::vector<std::pair<int, std::string>> controlTexts;
};

// The calls since the last ClearRecordedCalls, from every recording front end.
RecordedCalls& Recorded();
void ClearRecordedCalls();

// Records as a front end bound to `window` would show: owned boxes with
// window as their owner, the others with none.
class RecordingFrontEnd final : public FrontEnd {
public:
    explicit RecordingFrontEnd(WindowHandle window) : window_(window) {}

    // Recorded as the box shows it.
    void ShowMessage(MessageId id, const char* argument, BoxOwner owner) override
    {
        Recorded().messages.push_back({owner == BoxOwner::kWindow ? window_ : nullptr,
                                       Cp932MessageText(id, argument), TextOfMessage(id).caption});
    }
    void SetControlText(int controlId, const char* text) override
    {
        Recorded().controlTexts.emplace_back(controlId, text);
    }

private:
    WindowHandle window_;
};
