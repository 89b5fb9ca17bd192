// Interruptions on POSIX systems: the single save's handler, and the batch's
// held signals, wake-up pipe and guard process.
#include "cli/interrupt.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The signals that end the program with its temporary files removed:
// Ctrl-C, kill's default, the terminal closing and Ctrl-\.
const int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kInterruptionCount = sizeof kInterruptions / sizeof kInterruptions[0];

sigset_t Interruptions()
{
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : kInterruptions)
        sigaddset(&signals, signal);
    return signals;
}

// ----------------------------------------------------------- a single save

// What the handler may read: a fixed buffer and a flag that is only set
// once the buffer holds a whole name.
char gTemporary[4096];
volatile sig_atomic_t gHaveTemporary = 0;

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

// An interruption that comes while the file is being created waits until
// its name is remembered: otherwise it could end the program between the
// two and leave the file behind.
class SingleSave final : public SaveWatcher {
public:
    bool Follow(TemporaryFileEvent event, const char* name) override
    {
        switch (event) {
        case TemporaryFileEvent::kCreating: {
            const sigset_t signals = Interruptions();
            sigprocmask(SIG_BLOCK, &signals, &maskBeforeCreating_);
            break;
        }
        case TemporaryFileEvent::kCreated:
            Remember(name);
            sigprocmask(SIG_SETMASK, &maskBeforeCreating_, nullptr);
            break;
        case TemporaryFileEvent::kNotCreated:
            sigprocmask(SIG_SETMASK, &maskBeforeCreating_, nullptr);
            break;
        case TemporaryFileEvent::kGone:
            gHaveTemporary = 0;
            break;
        default:
            break;
        }
        return true;
    }

private:
    sigset_t maskBeforeCreating_;
};

SingleSave gSingleSave;

void OnInterrupt(int signal)
{
    if (gHaveTemporary)
        unlink(gTemporary);
    // SA_RESETHAND put back the default action, which ends the program once
    // the handler returns, with the status the signal gives.
    raise(signal);
}

// ------------------------------------------------------------------ a batch

// The handlers and mask the batch replaced, and the signal that came.
struct sigaction gHandlersBeforeHolding[kInterruptionCount];
sigset_t gMaskBeforeHolding;
volatile sig_atomic_t gHeld = 0;

void NoteInterruption(int signal) { gHeld = signal; }

// Installs handlers that only note the signal and holds the interruptions
// blocked. Returns the signal mask to wait with (ppoll), under which they
// are taken. Threads started afterwards keep them blocked.
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

void ReleaseInterruptions()
{
    for (int i = 0; i < kInterruptionCount; ++i)
        sigaction(kInterruptions[i], &gHandlersBeforeHolding[i], nullptr);
    sigprocmask(SIG_SETMASK, &gMaskBeforeHolding, nullptr);
}

// Ends the program as `signal` ends it, whatever handler it had.
[[noreturn]] void EndAsInterrupted(int signal)
{
    std::signal(signal, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    raise(signal);
    _exit(128 + signal);   // not reached: the default action ends the program
}

// A record to the guard: the event's byte, the name's length in four bytes
// of this machine's order, the name. The guard is told only of making and
// losing files, so kCreating adds a name and any other event removes it.
void TakeRecords(std::string& unread, std::vector<std::string>& pending)
{
    size_t at = 0;
    while (unread.size() - at >= 5) {
        uint32_t length;
        std::memcpy(&length, unread.data() + at + 1, 4);
        if (unread.size() - at - 5 < length)
            break;
        const auto event = static_cast<TemporaryFileEvent>(unread[at]);
        std::string name = unread.substr(at + 5, length);
        if (event == TemporaryFileEvent::kCreating) {
            pending.push_back(std::move(name));
        } else {
            const auto found = std::find(pending.begin(), pending.end(), name);
            if (found != pending.end())
                pending.erase(found);
        }
        at += 5 + length;
    }
    unread.erase(0, at);
}

// The guard process: reads the batch's records until the batch is gone
// (its end of the socket closed, however it ended), then removes the files
// still named. It outlives no batch: the batch closes the socket and waits
// for it when it ends. Interruptions sent to the whole group are left to
// the batch, which ends the guard as it ends.
[[noreturn]] void Guard(int socket)
{
    for (const int signal : kInterruptions)
        std::signal(signal, SIG_IGN);
    // It holds none of the batch's other files (a pipe its reader waits on
    // to end, an output), and writes nothing.
    for (int fd = 0; fd < 1024; ++fd)
        if (fd != socket)
            close(fd);
    std::string unread;
    std::vector<std::string> pending;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(socket, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        unread.append(buffer, static_cast<size_t>(n));
        TakeRecords(unread, pending);
    }
    for (const std::string& name : pending)
        unlink(name.c_str());
    _exit(0);
}

}  // namespace

void RemoveTemporaryFilesOnInterrupt()
{
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

SaveWatcher* SingleSaveWatcher() { return &gSingleSave; }

struct BatchControl::Platform {
    sigset_t waitMask;
    int wake[2] = {-1, -1};   // read end, write end
    int guard = -1;           // the socket to the guard
    pid_t guardPid = -1;

    // Closes the socket, which ends the guard, and waits for it.
    void EndGuard()
    {
        if (guard >= 0)
            close(guard);
        guard = -1;
        if (guardPid > 0)
            while (waitpid(guardPid, nullptr, 0) < 0 && errno == EINTR) {
            }
        guardPid = -1;
    }
};

const bool BatchControl::kWaitsForConversions = false;

BatchControl::BatchControl() : platform_(new Platform)
{
    std::fflush(nullptr);   // nothing buffered may be written twice
    platform_->waitMask = HoldInterruptions();
    if (pipe2(platform_->wake, O_CLOEXEC | O_NONBLOCK) != 0)
        platform_->wake[0] = platform_->wake[1] = -1;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;   // no guard: the batch still cleans up after an interruption
    const pid_t pid = fork();
    if (pid == 0) {
        close(ends[0]);
        Guard(ends[1]);
    }
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return;
    }
    platform_->guard = ends[0];
    platform_->guardPid = pid;
}

BatchControl::~BatchControl()
{
    platform_->EndGuard();
    ReleaseInterruptions();
    for (const int fd : platform_->wake)
        if (fd >= 0)
            close(fd);
}

void BatchControl::Report(TemporaryFileEvent event, const std::string& name)
{
    // A name longer than any the system takes is not told: no such file can
    // be made, and a cut name could be another file's.
    if (platform_->guard < 0 || name.size() >= 4096)
        return;
    std::string record(5, static_cast<char>(event));
    const uint32_t length = static_cast<uint32_t>(name.size());
    std::memcpy(&record[1], &length, 4);
    record += name;
    for (size_t sent = 0; sent < record.size();) {
        // Not SIGPIPE where the guard is gone: the batch goes on without it.
        const ssize_t n = send(platform_->guard, record.data() + sent, record.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(platform_->guard);
            platform_->guard = -1;
            return;
        }
        sent += static_cast<size_t>(n);
    }
}

void BatchControl::Wait()
{
    pollfd wake = {platform_->wake[0], POLLIN, 0};
    // Without a pipe, a conversion's end is seen within a tenth of a second.
    const timespec tenth = {0, 100000000L};
    if (ppoll(&wake, wake.fd >= 0 ? 1 : 0, wake.fd >= 0 ? nullptr : &tenth, &platform_->waitMask) <= 0)
        return;   // interrupted
    char drained[256];
    while (read(platform_->wake[0], drained, sizeof drained) > 0) {
    }
}

void BatchControl::Notify()
{
    if (platform_->wake[1] < 0)
        return;
    // A full pipe already wakes the main thread.
    const char byte = 1;
    while (write(platform_->wake[1], &byte, 1) < 0 && errno == EINTR) {
    }
}

int BatchControl::Interruption() const { return gHeld; }

void BatchControl::Stop()
{
    for (const std::string& name : StopSaves())
        unlink(name.c_str());
    // The threads' saves may still tell of files going (Report, under the
    // same lock).
    std::lock_guard<std::mutex> lock(mutex_);
    platform_->EndGuard();
}

void BatchControl::EndInterrupted() { EndAsInterrupted(gHeld); }
