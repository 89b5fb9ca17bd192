// Where every ByteBuffer's block comes from.
//
// A picture-sized block is mostly paid for in page faults: a new 36 MB
// block is handed out by the kernel 4 KiB at a time, each page zeroed on
// first touch, and in a virtual machine that costs more than decoding into
// it. Two things make it cheap:
//
//  - On Linux, where the kernel offers transparent huge pages (`always` or
//    `madvise`), a large block is mapped on its own at a 2 MiB boundary and
//    advised for huge pages: one fault per 2 MiB instead of 512. Such a
//    block is known to be all zero when new, so callers that want zeros
//    need not write them, and pages nobody writes are never made.
//  - A large block that is given back is kept (at most two), and the next
//    request of exactly its size takes it again: a layout, a save or the
//    next file of the same size costs no fresh pages. A request of another
//    size first gives every kept block back to the system, so the memory
//    held never goes beyond what was held while those blocks were in use.
//    Each thread keeps its own blocks and takes only those again (no lock,
//    no block shared between threads); they go back to the system when the
//    thread ends. Threads that work side by side thus each hold at most
//    what they held while their own blocks were in use.
//
// Windows and the browser build take blocks from the C++ heap (huge pages
// need a privilege on Windows, and WebAssembly memory is one block that
// only grows) and keep the reuse. Builds with the address sanitizer use
// the heap and keep nothing, so that it still sees every overrun and every
// use after free. Small blocks always come from the heap.
#pragma once

#include <cstddef>
#include <cstdint>

// Blocks from one huge page up take the large path.
constexpr size_t kLargeBlockBytes = size_t{2} << 20;

// A block of `bytes` bytes (> 0), or null when it cannot be had. zeroed is
// set to whether every byte of it is known to be 0.
uint8_t* TakeBlock(size_t bytes, bool& zeroed);
// Gives back a block TakeBlock returned, with the size it was taken with;
// a large one is kept for the next request of its size.
void GiveBackBlock(uint8_t* block, size_t bytes);
// The same, to the system at once: for a buffer read through once, whose
// size rarely comes again and which kept would stand beside the picture.
void ReleaseBlock(uint8_t* block, size_t bytes);

// Gives the calling thread's kept blocks back to the system.
void ReleaseSpareBlocks();
// The bytes of the calling thread's kept blocks.
size_t SpareBlockBytes();
// True when large blocks are 2 MiB-aligned and advised for huge pages.
bool LargeBlocksUseHugePages();

// The memory a process holds: every block (a kept one included) and the
// JPEG library's whole-picture coefficient buffers are told to a watcher
// before they are taken (a positive change) and after they are given back
// (a negative one). A program that opens files on several threads side by
// side (the command line's batch) watches it to keep them within one
// budget together; its watcher may hold a thread up until there is
// room. No watcher by default. It is called on the thread that takes or
// gives back the block (a thread's kept blocks are told as they go back at
// its end), so where threads share the blocks' work it must be safe to call
// from them at once; it may be set or cleared at any time, and blocks taken
// or given back on other threads meanwhile are told to the old watcher or
// the new one. (The batch's is set before its first conversion and counts
// each file on the thread that converts it.)
using MemoryUseWatcher = void (*)(int64_t change);
void SetMemoryUseWatcher(MemoryUseWatcher watcher);
void NoteMemoryUse(int64_t change);
