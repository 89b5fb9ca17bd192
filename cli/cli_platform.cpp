// The command-line tool's front end: messages go to stderr as UTF-8 and are
// kept for the JSON report; there is no window, so controls have nothing to
// do.
#include "cli/cli_platform.h"

#include "cli/text_output.h"

namespace {

struct MessageLog {
    std::vector<CliMessage> messages;
    bool echo = true;
};

MessageLog& Log()
{
    static MessageLog log;
    return log;
}

}  // namespace

const std::vector<CliMessage>& CliMessages() { return Log().messages; }
void ClearCliMessages() { Log().messages.clear(); }
void SetCliMessageEcho(bool echo) { Log().echo = echo; }

std::string CliMessageText(const CliMessage& message)
{
    const MessageText& text = TextOfMessage(message.id);
    return Cp932ToUtf8(text.before) + PathText(message.argument) + Cp932ToUtf8(text.after);
}

void CliFrontEnd::ShowMessage(MessageId id, const char* argument, BoxOwner)
{
    const std::string name = argument ? argument : "";
    Log().messages.push_back({id, name});
    if (!Log().echo)
        return;
    // On a terminal the name is shown so that it cannot drive the terminal.
    const MessageText& text = TextOfMessage(id);
    const std::string line = Cp932ToUtf8(text.caption) + ": " + Cp932ToUtf8(text.before) + ShownName(name) +
                             Cp932ToUtf8(text.after) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void CliFrontEnd::SetControlText(int, const char*) {}
