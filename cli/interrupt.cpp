#include "cli/interrupt.h"

#ifdef _WIN32

void RemoveTemporaryFilesOnInterrupt() {}

#else

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>

#include <signal.h>
#include <unistd.h>

#include "formats/standard/safe_output.h"

namespace {

// The signals that end the program with its temporary file removed: Ctrl-C,
// kill's default, the terminal closing and Ctrl-\.
const int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kInterruptionCount = sizeof kInterruptions / sizeof kInterruptions[0];

// What the handler may read: a fixed buffer and a flag that is only set
// once the buffer holds a whole name.
char gTemporary[4096];
volatile sig_atomic_t gHaveTemporary = 0;
// The signal mask from before a temporary file was being created.
sigset_t gMaskBeforeCreating;
// A batch worker's descriptor to its parent; -1 elsewhere.
int gReportTo = -1;

// The batch parent's held interruptions: the handlers and mask it replaced
// and the signal that came.
struct sigaction gHandlersBeforeHolding[kInterruptionCount];
sigset_t gMaskBeforeHolding;
volatile sig_atomic_t gHeld = 0;

sigset_t Interruptions()
{
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : kInterruptions)
        sigaddset(&signals, signal);
    return signals;
}

void Remember(const char* temporary)
{
    gHaveTemporary = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    const size_t length = std::strlen(temporary);
    if (length >= sizeof gTemporary)
        return;   // a name longer than any the system takes: nothing to remove
    std::memcpy(gTemporary, temporary, length + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    gHaveTemporary = 1;
}

// A record to the parent: the event's byte, the name's length in four bytes
// of this machine's order, the name. A name longer than any the system takes
// is not told: no such file can be made, and a cut name could be another
// file's.
void Report(TemporaryFileEvent event, const char* temporary)
{
    const size_t length = std::strlen(temporary);
    if (gReportTo < 0 || length >= sizeof gTemporary)
        return;
    char record[5 + sizeof gTemporary];
    record[0] = static_cast<char>(event);
    const uint32_t length32 = static_cast<uint32_t>(length);
    std::memcpy(record + 1, &length32, 4);
    std::memcpy(record + 5, temporary, length);
    for (size_t written = 0; written < 5 + length;) {
        const ssize_t n = write(gReportTo, record + written, 5 + length - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;   // the parent is gone: the worker's own handler still removes the file
        written += static_cast<size_t>(n);
    }
}

// An interruption that comes while the file is being created waits until
// its name is remembered (and told to the parent): otherwise it could end
// the program between the two and leave the file behind.
void Follow(TemporaryFileEvent event, const char* temporary)
{
    switch (event) {
    case TemporaryFileEvent::kCreating: {
        const sigset_t signals = Interruptions();
        sigprocmask(SIG_BLOCK, &signals, &gMaskBeforeCreating);
        Report(event, temporary);
        break;
    }
    case TemporaryFileEvent::kCreated:
        Remember(temporary);
        Report(event, temporary);
        sigprocmask(SIG_SETMASK, &gMaskBeforeCreating, nullptr);
        break;
    case TemporaryFileEvent::kNotCreated:
        Report(event, temporary);
        sigprocmask(SIG_SETMASK, &gMaskBeforeCreating, nullptr);
        break;
    case TemporaryFileEvent::kGone:
        gHaveTemporary = 0;
        Report(event, temporary);
        break;
    }
}

void OnInterrupt(int signal)
{
    if (gHaveTemporary)
        unlink(gTemporary);
    // SA_RESETHAND put back the default action, which ends the program once
    // the handler returns, with the status the signal gives.
    raise(signal);
}

void NoteInterruption(int signal) { gHeld = signal; }

}  // namespace

void RemoveTemporaryFilesOnInterrupt()
{
    SetTemporaryFileWatcher(Follow);
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnInterrupt;
    action.sa_mask = Interruptions();
    action.sa_flags = SA_RESETHAND;
    for (const int signal : kInterruptions) {
        struct sigaction previous;
        // A background job's shell ignores SIGINT and SIGQUIT for it, nohup
        // SIGHUP; that stays so.
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
    // A file size limit (ulimit -f) would otherwise end the program in the
    // middle of a write, its temporary file left behind; ignored, the write
    // fails with EFBIG and the save ends as on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
}

void ReportTemporaryFilesTo(int fd) { gReportTo = fd; }

void TemporaryFileReports::Take(const char* bytes, size_t count)
{
    unread_.append(bytes, count);
    size_t at = 0;
    while (unread_.size() - at >= 5) {
        uint32_t length;
        std::memcpy(&length, unread_.data() + at + 1, 4);
        if (unread_.size() - at - 5 < length)
            break;
        const auto event = static_cast<TemporaryFileEvent>(unread_[at]);
        const std::string name = unread_.substr(at + 5, length);
        if (event == TemporaryFileEvent::kCreating || event == TemporaryFileEvent::kCreated)
            pending_ = name;
        else if (name == pending_)
            pending_.clear();
        at += 5 + length;
    }
    unread_.erase(0, at);
}

sigset_t HoldInterruptions()
{
    const sigset_t signals = Interruptions();
    sigprocmask(SIG_BLOCK, &signals, &gMaskBeforeHolding);
    gHeld = 0;
    struct sigaction note;
    std::memset(&note, 0, sizeof note);
    note.sa_handler = NoteInterruption;
    note.sa_mask = signals;
    for (int i = 0; i < kInterruptionCount; ++i) {
        sigaction(kInterruptions[i], nullptr, &gHandlersBeforeHolding[i]);
        if (gHandlersBeforeHolding[i].sa_handler != SIG_IGN)
            sigaction(kInterruptions[i], &note, nullptr);
    }
    return gMaskBeforeHolding;
}

int HeldInterruption() { return gHeld; }

void ReleaseInterruptions()
{
    for (int i = 0; i < kInterruptionCount; ++i)
        sigaction(kInterruptions[i], &gHandlersBeforeHolding[i], nullptr);
    sigprocmask(SIG_SETMASK, &gMaskBeforeHolding, nullptr);
}

void EndAsInterrupted(int signal)
{
    std::signal(signal, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    sigprocmask(SIG_UNBLOCK, &one, nullptr);
    raise(signal);
    _exit(128 + signal);   // not reached: the default action ends the program
}

#endif
