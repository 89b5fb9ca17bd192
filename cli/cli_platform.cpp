// The command-line tool's platform: messages go to stderr as UTF-8 and are
// kept for the JSON report; there is no window, so titles, controls and
// the view layout have nothing to do.
#include "cli/cli_platform.h"

#include "cli/text_output.h"
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

void ShowMessage(WindowHandle, const char* text, const char* caption)
{
    Log().messages.push_back({text, caption});
    if (!Log().echo)
        return;
    PrintCp932(stderr, caption);
    std::fputs(": ", stderr);
    PrintCp932(stderr, text);
    std::fputc('\n', stderr);
}

void SetWindowTitle(WindowHandle, const char*) {}
void SetControlText(WindowHandle, int, const char*) {}
void LayoutView(WindowHandle) {}
