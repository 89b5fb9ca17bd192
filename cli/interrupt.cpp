// The batch's watcher of its saves, the same on every platform; the
// interruptions themselves are the platform's (interrupt_posix.cpp,
// interrupt_win32.cpp).
#include "cli/interrupt.h"

#include <algorithm>

bool BatchControl::Follow(TemporaryFileEvent event, const char* name)
{
    std::lock_guard<std::mutex> lock(mutex_);
    switch (event) {
    case TemporaryFileEvent::kCreating:
        // Known (and told to the guard) before it can exist, and counted as
        // busy until it is known whether it does, so that a stop never
        // misses it.
        if (stopping_)
            return false;
        ++busy_;
        temporary_.emplace_back(name);
        Report(event, name);
        return true;
    case TemporaryFileEvent::kCreated:
        --busy_;
        idle_.notify_all();
        return true;
    case TemporaryFileEvent::kNotCreated:
    case TemporaryFileEvent::kGone: {
        if (event == TemporaryFileEvent::kNotCreated) {
            --busy_;
            idle_.notify_all();
        }
        const auto found = std::find(temporary_.begin(), temporary_.end(), name);
        if (found != temporary_.end())
            temporary_.erase(found);
        Report(event, name);
        return true;
    }
    case TemporaryFileEvent::kReplacing:
        return !stopping_;
    case TemporaryFileEvent::kWritingInPlace:
        // Begun, it ends with the file whole (new or old), so a stop waits.
        if (stopping_)
            return false;
        ++busy_;
        return true;
    case TemporaryFileEvent::kWrittenInPlace:
        --busy_;
        idle_.notify_all();
        return true;
    }
    return true;
}

std::vector<std::string> BatchControl::StopSaves()
{
    std::unique_lock<std::mutex> lock(mutex_);
    stopping_ = true;
    idle_.wait(lock, [this] { return busy_ == 0; });
    return temporary_;
}
