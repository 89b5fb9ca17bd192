#include "cli/batch_memory.h"

#ifndef _WIN32

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <new>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "image/memory_budget.h"

namespace {

// Shared by the parent and every worker (MAP_SHARED): first every worker's
// counted blocks together, then each slot's part of them. Atomics of this
// size are lock-free here, and so work across processes.
using Count = std::atomic<int64_t>;
static_assert(Count::is_always_lock_free, "counts shared between processes");
Count* gCounts = nullptr;
size_t gCountsSize = 0;
std::FILE* gTurnFile = nullptr;   // the large-file turn: a lock on this file

// The worker's own side.
int gSlot = -1;
int64_t gCounted = 0;    // this worker's part of `counted`
bool gHasTurn = false;

// Waits for the large-file turn. A POSIX record lock belongs to the process
// that took it (forked workers do not share it, unlike flock's), and the
// system releases it when the process ends.
void TakeTurn()
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    while (fcntl(fileno(gTurnFile), F_SETLKW, &lock) != 0 && errno == EINTR) {
    }
    // Taken, or the lock cannot be had at all (then nothing is waited for:
    // a worker is never stopped forever by the lock's own failure).
    gHasTurn = true;
}

// A worker killed between the two steps of a change leaves `counted` too
// high, never too low: the batch then shares less until it ends.
void OnMemoryUse(int64_t change)
{
    if (gHasTurn)
        return;   // counted no more; its part stays counted until it ends
    Count& counted = gCounts[0];
    Count& part = gCounts[1 + gSlot];
    if (change < 0) {
        const int64_t back = std::min(gCounted, -change);
        gCounted -= back;
        part -= back;
        counted -= back;
        return;
    }
    if (counted.fetch_add(change) + change <= kSharedWorkerBytes) {
        gCounted += change;
        part += change;
        return;
    }
    counted -= change;
    TakeTurn();
}

}  // namespace

bool ShareBatchMemory(int workers)
{
    const size_t counts = 1 + static_cast<size_t>(std::max(workers, 1));
    gCountsSize = counts * sizeof(Count);
    void* shared = mmap(nullptr, gCountsSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    gTurnFile = std::tmpfile();
    if (shared == MAP_FAILED || !gTurnFile) {
        if (shared != MAP_FAILED)
            munmap(shared, gCountsSize);
        EndBatchMemory();
        return false;
    }
    gCounts = static_cast<Count*>(shared);
    for (size_t i = 0; i < counts; ++i)
        new (gCounts + i) Count(0);
    return true;
}

void WatchWorkerMemory(int slot)
{
    if (!gCounts)
        return;
    gSlot = slot;
    SetMemoryUseWatcher(OnMemoryUse);
}

void ReturnWorkerMemory(int slot)
{
    if (gCounts)
        gCounts[0] -= gCounts[1 + slot].exchange(0);
}

void EndBatchMemory()
{
    if (gCounts)
        munmap(gCounts, gCountsSize);
    gCounts = nullptr;
    if (gTurnFile)
        std::fclose(gTurnFile);
    gTurnFile = nullptr;
}

#endif
