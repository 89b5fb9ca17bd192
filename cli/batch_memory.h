// One memory budget for a batch's conversions together.
//
// Any file may claim the largest pictures: alone, an open holds at most its
// budget (memory_budget.h), but N conversions side by side would hold N
// times that. So the blocks each conversion takes (told by the memory
// watcher, on the thread that converts the file) count against
// kSharedBatchBytes that all conversions share. A conversion whose next
// block does not fit waits for the batch's one large-file turn and, once it
// holds it, takes what its file needs without counting, as it would alone;
// it keeps the turn until its file is done. The holder never waits for
// anything else, so a conversion that waits always gets the turn in the
// end. The batch as a whole holds at most one open's budget and the shared
// part, whatever its files and its number of threads.
#pragma once

#include <cstdint>

#include "image/raster_image.h"

// What the conversions share beside the turn: one largest picture, room for
// a few ordinary files to be converted side by side.
constexpr int64_t kSharedBatchBytes = kMaxPixelBytes;

// On the batch's main thread, before its first conversion and after its
// last: the watcher is set and cleared.
void StartBatchMemory();
void EndBatchMemory();

// On the thread of a conversion: its blocks count from StartFileMemory on.
// EndFileMemory, once the file is done and the thread's kept blocks are
// given back, frees what it still counted and gives up the turn.
void StartFileMemory();
void EndFileMemory();
