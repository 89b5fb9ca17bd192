#include "cli/batch_memory.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "image/pixel_block.h"

namespace {

// Every conversion's counted blocks together.
std::atomic<int64_t> gCounted{0};
// The large-file turn.
std::mutex gTurn;

// The conversion on this thread.
struct FileMemory {
    bool watched = false;
    int64_t counted = 0;   // its part of gCounted
    bool hasTurn = false;
};
thread_local FileMemory tFile;

// A change told while a turn is held is not counted: the holder's part
// stays as it was until its file is done.
void OnMemoryUse(int64_t change)
{
    FileMemory& file = tFile;
    if (!file.watched || file.hasTurn)
        return;
    if (change < 0) {
        const int64_t back = std::min(file.counted, -change);
        file.counted -= back;
        gCounted -= back;
        return;
    }
    if (gCounted.fetch_add(change) + change <= kSharedBatchBytes) {
        file.counted += change;
        return;
    }
    gCounted -= change;
    gTurn.lock();
    file.hasTurn = true;
}

}  // namespace

void StartBatchMemory()
{
    gCounted = 0;
    SetMemoryUseWatcher(OnMemoryUse);
}

void EndBatchMemory() { SetMemoryUseWatcher(nullptr); }

void StartFileMemory() { tFile = FileMemory{true, 0, false}; }

void EndFileMemory()
{
    FileMemory& file = tFile;
    gCounted -= file.counted;
    if (file.hasTurn)
        gTurn.unlock();
    file = FileMemory{};
}
