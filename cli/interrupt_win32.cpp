// Interruptions on Windows: a single save has no handler (a file still open
// cannot be removed, and Ctrl-C ends the program as it always did); a batch
// takes Ctrl-C, Ctrl-Break and a closed console through a console control
// handler, which runs on a thread of its own.
#include "cli/interrupt.h"

#include <atomic>
#include <cstdio>

#include <windows.h>

namespace {

// The batch that takes the console's events, while one runs (the lock keeps
// it from ending while the handler tells it).
std::mutex gBatchLock;
BatchControl* gBatch = nullptr;
std::atomic<int> gInterrupted{0};

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    {
        std::lock_guard<std::mutex> lock(gBatchLock);
        if (!gBatch)
            return FALSE;   // the default: the program ends
        gInterrupted = 1;
        gBatch->Notify();
    }
    // The main thread ends the program once it has cleaned up; returning
    // would let the system end it first (a closed console) or go on.
    Sleep(INFINITE);
    return TRUE;
}

}  // namespace

void RemoveTemporaryFilesOnInterrupt() {}

SaveWatcher* SingleSaveWatcher() { return nullptr; }

struct BatchControl::Platform {
    std::mutex mutex;
    std::condition_variable woken;
    bool notified = false;
};

const bool BatchControl::kWaitsForConversions = true;

BatchControl::BatchControl() : platform_(new Platform)
{
    std::fflush(nullptr);
    gInterrupted = 0;
    {
        std::lock_guard<std::mutex> lock(gBatchLock);
        gBatch = this;
    }
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

BatchControl::~BatchControl()
{
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    std::lock_guard<std::mutex> lock(gBatchLock);
    gBatch = nullptr;
}

void BatchControl::Report(TemporaryFileEvent, const std::string&) {}

void BatchControl::Wait()
{
    std::unique_lock<std::mutex> lock(platform_->mutex);
    platform_->woken.wait(lock, [this] { return platform_->notified || gInterrupted != 0; });
    platform_->notified = false;
}

void BatchControl::Notify()
{
    std::lock_guard<std::mutex> lock(platform_->mutex);
    platform_->notified = true;
    platform_->woken.notify_one();
}

int BatchControl::Interruption() const { return gInterrupted; }

void BatchControl::Stop() { StopSaves(); }

void BatchControl::EndInterrupted()
{
    // Every conversion has ended: their saves removed their own files; what
    // a save could not remove is tried once more.
    for (const std::string& name : StopSaves())
        DeleteFileA(name.c_str());
    std::fflush(nullptr);
    ExitProcess(STATUS_CONTROL_C_EXIT);
}
