#include "cli/interrupt.h"

#ifdef _WIN32

void RemoveTemporaryFilesOnInterrupt() {}

#else

#include <atomic>
#include <csignal>
#include <cstring>

#include <signal.h>
#include <unistd.h>

#include "formats/standard/safe_output.h"

namespace {

// What the handler may read: a fixed buffer and a flag that is only set
// once the buffer holds a whole name.
char gTemporary[4096];
volatile sig_atomic_t gHaveTemporary = 0;
// The signal mask from before a temporary file was being created.
sigset_t gMaskBeforeCreating;

sigset_t Interruptions()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);   // the terminal closed
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

// An interruption that comes while the file is being created waits until
// its name is remembered: otherwise it could end the program between the
// two and leave the file behind.
void Follow(TemporaryFileEvent event, const char* temporary)
{
    switch (event) {
    case TemporaryFileEvent::kCreating: {
        const sigset_t signals = Interruptions();
        sigprocmask(SIG_BLOCK, &signals, &gMaskBeforeCreating);
        break;
    }
    case TemporaryFileEvent::kCreated:
        Remember(temporary);
        sigprocmask(SIG_SETMASK, &gMaskBeforeCreating, nullptr);
        break;
    case TemporaryFileEvent::kNotCreated:
        sigprocmask(SIG_SETMASK, &gMaskBeforeCreating, nullptr);
        break;
    case TemporaryFileEvent::kGone:
        gHaveTemporary = 0;
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

}  // namespace

void RemoveTemporaryFilesOnInterrupt()
{
    SetTemporaryFileWatcher(Follow);
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnInterrupt;
    action.sa_mask = Interruptions();
    action.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous;
        // A background job's shell ignores SIGINT for it; that stays so.
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
    // A file size limit (ulimit -f) would otherwise end the program in the
    // middle of a write, its temporary file left behind; ignored, the write
    // fails with EFBIG and the save ends as on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
}

#endif
