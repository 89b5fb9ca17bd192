// One memory budget for a batch's workers together (POSIX).
//
// Any file may claim the largest pictures: alone, an open holds at most its
// budget (memory_budget.h), but N workers side by side would hold N times
// that. So the blocks each worker takes (told by the memory watcher) count
// against kSharedWorkerBytes that all workers share. A worker whose next
// block does not fit waits for the batch's one large-file turn and, once it
// holds it, takes what its file needs without counting, as it would alone.
// The turn is a lock on a file the workers share, which the system lets go
// when its holder ends, however it ends; the holder never waits for
// anything else, so a worker that waits always gets the turn in the end.
// The batch as a whole holds at most one open's budget and the shared part,
// whatever its files and its number of workers.
#pragma once

#include <cstdint>

#include "image/raster_image.h"

// What the workers share beside the turn: one largest picture, room for a
// few ordinary files to be converted side by side.
constexpr int64_t kSharedWorkerBytes = kMaxPixelBytes;

// In the parent, before its first worker, for workers numbered 0 to
// workers - 1 at a time. False when the shared memory or the lock cannot be
// had; the batch then converts one file at a time.
bool ShareBatchMemory(int workers);

// In worker number `slot`, right after it was forked: its blocks count from
// now on.
void WatchWorkerMemory(int slot);

// In the parent, once the worker in `slot` ended, however it ended: what it
// still counted is free again.
void ReturnWorkerMemory(int slot);

// In the parent, after the last worker.
void EndBatchMemory();
