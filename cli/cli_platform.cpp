// The command-line tool's platform: messages go to stderr as UTF-8 and are
// kept for the JSON report; there is no window, so titles, controls and
// the view layout have nothing to do.
#include "cli/cli_platform.h"

#include "cli/text_output.h"
#include "app/view_layout.h"
#include "image/platform.h"

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

void ShowMessage(WindowHandle, MessageId id, const char* argument)
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

void SetWindowTitle(WindowHandle, const char*) {}
void SetControlText(WindowHandle, int, const char*) {}
void LayoutView(WindowHandle, Document&) {}
