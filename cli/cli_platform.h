// The command-line tool's side of the platform: what the core would have
// shown in message boxes is kept in order (for --json) and, unless the
// caller asks otherwise, printed to stderr as UTF-8.
#pragma once

#include <string>
#include <vector>

struct CliMessage {
    std::string text;      // code page 932, as the core gave it
    std::string caption;
    std::string path;      // the file name the text ends with, as the system spells it (none: empty)
};

// The message's text as it is printed: UTF-8, the file name as PathText
// shows it.
std::string CliMessageText(const CliMessage& message);

// The messages since the last ClearCliMessages.
const std::vector<CliMessage>& CliMessages();
void ClearCliMessages();
// Whether messages are printed to stderr as they come (default yes).
void SetCliMessageEcho(bool echo);
