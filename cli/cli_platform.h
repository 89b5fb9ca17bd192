// The command-line tool's front end: what the core would have shown in
// message boxes is kept in order (for --json) and, unless the caller asks
// otherwise, printed to stderr as UTF-8.
#pragma once

#include <string>
#include <vector>

#include "image/front_end.h"
#include "image/messages.h"

// There is no window: every box, owned or not, goes to the log below, and a
// control has no text to set. What an open asks of the view (a layout, a
// title) is left undone, as the tool renders on request.
class CliFrontEnd final : public FrontEnd {
public:
    void ShowMessage(MessageId id, const char* argument, BoxOwner owner) override;
    void SetControlText(int controlId, const char* text) override;
};

struct CliMessage {
    MessageId id;
    std::string argument;   // the name in the text, as the system spells it (none: empty)
};

// The message's text as it is printed: UTF-8, the name as PathText shows it.
std::string CliMessageText(const CliMessage& message);

// The messages since the last ClearCliMessages, of the calling thread (a
// batch converts its files on threads of their own, each file's messages
// apart).
const std::vector<CliMessage>& CliMessages();
void ClearCliMessages();
// Whether messages are printed to stderr as they come (default yes; the
// calling thread's setting).
void SetCliMessageEcho(bool echo);

// While one lives on a thread's stack, that thread's messages, echo
// setting and kept error texts are its own; elsewhere they are the
// process's. A batch's conversion threads each hold one.
class ThreadMessageLog {
public:
    ThreadMessageLog();
    ~ThreadMessageLog();
    ThreadMessageLog(const ThreadMessageLog&) = delete;
    ThreadMessageLog& operator=(const ThreadMessageLog&) = delete;

private:
    void* previous_;
};

// Where the calling thread's error texts (the messages above and the
// tool's own "zavik: ..." lines) go: standard error, or, while `kept` is
// set, the end of *kept, so that a batch shows each file's texts in one
// piece once the file is done. Null sends them to standard error again.
void KeepErrorTexts(std::string* kept);
// Writes an error text where the calling thread's go.
void PrintError(const std::string& text);
// The same, formatted as printf formats.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void PrintErrorF(const char* format, ...);
