// The command-line tool's front end: messages go to stderr as UTF-8 and are
// kept for the JSON report; there is no window, so controls have nothing to
// do.
#include "cli/cli_platform.h"

#include <cstdarg>
#include <cstdio>

#include "cli/text_output.h"

namespace {

struct MessageLog {
    std::vector<CliMessage> messages;
    bool echo = true;
    std::string* kept = nullptr;   // where error texts go instead of stderr
};

// The thread's own log while a ThreadMessageLog lives on its stack (the
// conversions of a batch run side by side), else the process's. Only a
// pointer is thread_local: MinGW frees a thread's thread_local storage
// before the destructors of thread_local objects run, so a log destroyed at
// thread exit freed a vector that was already gone.
thread_local MessageLog* tLog = nullptr;

MessageLog& Log()
{
    if (tLog)
        return *tLog;
    static MessageLog process;
    return process;
}

}  // namespace

ThreadMessageLog::ThreadMessageLog() : previous_(tLog)
{
    tLog = new MessageLog;
}

ThreadMessageLog::~ThreadMessageLog()
{
    delete tLog;
    tLog = static_cast<MessageLog*>(previous_);
}

void KeepErrorTexts(std::string* kept) { Log().kept = kept; }

void PrintError(const std::string& text)
{
    if (std::string* kept = Log().kept)
        kept->append(text);
    else
        std::fwrite(text.data(), 1, text.size(), stderr);
}

void PrintErrorF(const char* format, ...)
{
    char small[512];
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(small, sizeof small, format, arguments);
    va_end(arguments);
    if (length < 0) {
        va_end(again);
        return;
    }
    std::string text;
    if (static_cast<size_t>(length) < sizeof small) {
        text.assign(small, static_cast<size_t>(length));
    } else {
        text.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(&text[0], text.size(), format, again);
        text.resize(static_cast<size_t>(length));
    }
    va_end(again);
    PrintError(text);
}

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
    PrintError(line);
}

void CliFrontEnd::SetControlText(int, const char*) {}
