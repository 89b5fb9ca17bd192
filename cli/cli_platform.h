// The command-line tool's side of the platform: what the core would have
// shown in message boxes is kept in order (for --json) and, unless the
// caller asks otherwise, printed to stderr as UTF-8.
#pragma once

#include <string>
#include <vector>

#include "image/messages.h"

struct CliMessage {
    MessageId id;
    std::string argument;   // the name in the text, as the system spells it (none: empty)
};

// The message's text as it is printed: UTF-8, the name as PathText shows it.
std::string CliMessageText(const CliMessage& message);

// The messages since the last ClearCliMessages.
const std::vector<CliMessage>& CliMessages();
void ClearCliMessages();
// Whether messages are printed to stderr as they come (default yes).
void SetCliMessageEcho(bool echo);
