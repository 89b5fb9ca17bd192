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

void Follow(const char* temporary)
{
    gHaveTemporary = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (!temporary)
        return;
    const size_t length = std::strlen(temporary);
    if (length >= sizeof gTemporary)
        return;   // a name longer than any the system takes: nothing to remove
    std::memcpy(gTemporary, temporary, length + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    gHaveTemporary = 1;
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
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    action.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction previous;
        // A background job's shell ignores SIGINT for it; that stays so.
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

#endif
