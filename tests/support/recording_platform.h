// The unit tests' platform: every message, title, control text and layout
// the core asks for is recorded so that tests can check them.
#pragma once

#include <string>
#include <vector>

#include "image/platform.h"

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
    std::vector<std::string> titles;
    std::vector<std::pair<int, std::string>> controlTexts;
    int layouts = 0;
};

// The calls since the last ClearRecordedCalls.
RecordedCalls& Recorded();
void ClearRecordedCalls();
