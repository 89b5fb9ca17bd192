#include "image/pixel_block.h"

#include <atomic>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define ZAVIK_HEAP_BLOCKS_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZAVIK_HEAP_BLOCKS_ONLY 1
#endif
#endif

#ifndef ZAVIK_HEAP_BLOCKS_ONLY
#include <pthread.h>
#endif

#if defined(__linux__) && !defined(__EMSCRIPTEN__) && !defined(ZAVIK_HEAP_BLOCKS_ONLY)
#define ZAVIK_MAPPED_BLOCKS 1
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

#ifdef ZAVIK_MAPPED_BLOCKS

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;

// The kernel's transparent-huge-page mode, read once: "always" and
// "madvise" make huge pages for an advised mapping, "never" does not.
bool HugePagesOffered()
{
    static const bool offered = [] {
        const int file = open("/sys/kernel/mm/transparent_hugepage/enabled", O_RDONLY | O_CLOEXEC);
        if (file < 0)
            return false;
        char text[128] = {};
        const ssize_t n = read(file, text, sizeof text - 1);
        close(file);
        text[n > 0 ? n : 0] = '\0';
        return std::strstr(text, "[always]") != nullptr || std::strstr(text, "[madvise]") != nullptr;
    }();
    return offered;
}

uintptr_t PageSize()
{
    static const uintptr_t size = [] {
        const long n = sysconf(_SC_PAGESIZE);
        return n > 0 ? static_cast<uintptr_t>(n) : uintptr_t{4096};
    }();
    return size;
}

uintptr_t RoundUp(uintptr_t n, uintptr_t to) { return (n + to - 1) / to * to; }

// A mapping of its own: anonymous pages are zero until written, and the
// whole block goes back to the system when it is given back. With huge
// pages, a 2 MiB-aligned span is cut out of a mapping one huge page longer
// (the kernel maps huge pages only over aligned 2 MiB ranges); the part
// after the last whole huge page keeps small pages rather than a rounded-up
// huge one, so that no more memory is made than the block has bytes.
uint8_t* NewLargeBlock(size_t bytes, bool& zeroed)
{
    const uintptr_t length = RoundUp(bytes, PageSize());
    if (!HugePagesOffered()) {
        void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        zeroed = p != MAP_FAILED;
        return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
    }
    const uintptr_t span = length + kHugePage;
    void* p = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    const uintptr_t first = reinterpret_cast<uintptr_t>(p);
    const uintptr_t start = RoundUp(first, kHugePage);
    if (start > first)
        munmap(p, start - first);
    if (first + span > start + length)
        munmap(reinterpret_cast<void*>(start + length), first + span - (start + length));
    // Only advice: where it is not taken the block still works, on small pages.
    madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
    zeroed = true;
    return reinterpret_cast<uint8_t*>(start);
}

void DeleteLargeBlock(uint8_t* block, size_t bytes) { munmap(block, RoundUp(bytes, PageSize())); }

#elif !defined(ZAVIK_HEAP_BLOCKS_ONLY)

uint8_t* NewLargeBlock(size_t bytes, bool& zeroed)
{
    zeroed = false;
    return new (std::nothrow) uint8_t[bytes];
}

void DeleteLargeBlock(uint8_t* block, size_t) { delete[] block; }

#endif

// Read on every block taken or given back, on whatever thread does it, and
// may be set while other threads work: an atomic, so that a watcher set on
// one thread is seen whole on the others, with what it was set up with.
std::atomic<MemoryUseWatcher> gMemoryUseWatcher{nullptr};

// Every block is told to the watcher before it is taken from the system or
// the heap and after it goes back there; a kept block still counts, since
// the process holds it.
uint8_t* NewBlock(size_t bytes, bool& zeroed)
{
    zeroed = false;
    NoteMemoryUse(static_cast<int64_t>(bytes));
#ifndef ZAVIK_HEAP_BLOCKS_ONLY
    uint8_t* block = bytes >= kLargeBlockBytes ? NewLargeBlock(bytes, zeroed) : new (std::nothrow) uint8_t[bytes];
#else
    uint8_t* block = new (std::nothrow) uint8_t[bytes];
#endif
    if (!block)
        NoteMemoryUse(-static_cast<int64_t>(bytes));
    return block;
}

void DeleteBlock(uint8_t* block, size_t bytes)
{
#ifndef ZAVIK_HEAP_BLOCKS_ONLY
    if (bytes >= kLargeBlockBytes)
        DeleteLargeBlock(block, bytes);
    else
        delete[] block;
#else
    delete[] block;
#endif
    NoteMemoryUse(-static_cast<int64_t>(bytes));
}

#ifndef ZAVIK_HEAP_BLOCKS_ONLY

// A thread's kept blocks, oldest first. Each thread keeps its own: a
// thread's next layout, save or file is the one that asks again for the
// sizes it just gave back, and it finds them with no lock, while no thread
// can take a block that another is still giving back.
struct Spare {
    uint8_t* block = nullptr;
    size_t bytes = 0;
};
constexpr int kSpares = 2;
struct KeptBlocks {
    Spare spares[kSpares];
};

// The calling thread's, made with its first kept block.
thread_local KeptBlocks* kept = nullptr;

// Out of the list before they are freed, so that it never names a block
// that is gone while the watcher hears of each.
void ReleaseKept(KeptBlocks& blocks)
{
    Spare old[kSpares];
    for (int i = 0; i < kSpares; ++i) {
        old[i] = blocks.spares[i];
        blocks.spares[i] = Spare();
    }
    for (Spare& s : old)
        if (s.block)
            DeleteBlock(s.block, s.bytes);
}

// A thread's kept blocks go back to the system when it ends (a library
// caller's worker leaves no memory behind, and the watcher sees it go), by
// the destructor of a thread key rather than of a thread_local object:
// MinGW tears a thread's thread_local variables down before such objects'
// destructors run, so one would find its blocks gone and leak them. The
// key's destructor is handed the record itself. The main thread's blocks
// stay until the process ends, as they always have (a process that exits
// runs no key destructors).
void ReleaseAtThreadEnd(void* record)
{
    KeptBlocks* blocks = static_cast<KeptBlocks*>(record);
    kept = nullptr;   // a block given back after this goes into a new record, or straight back
    ReleaseKept(*blocks);
    delete blocks;
}

struct ThreadEndKey {
    pthread_key_t key;
    bool made;
};

const ThreadEndKey& EndKey()
{
    static const ThreadEndKey key = [] {
        ThreadEndKey k{};
        k.made = pthread_key_create(&k.key, ReleaseAtThreadEnd) == 0;
        return k;
    }();
    return key;
}

// The calling thread's record, made when needed; null when it cannot be
// had, and then nothing is kept.
KeptBlocks* ThreadKept()
{
    if (kept)
        return kept;
    const ThreadEndKey& end = EndKey();
    if (!end.made)
        return nullptr;
    KeptBlocks* blocks = new (std::nothrow) KeptBlocks;
    if (blocks && pthread_setspecific(end.key, blocks) != 0) {
        delete blocks;
        blocks = nullptr;
    }
    kept = blocks;
    return blocks;
}

#endif

}  // namespace

uint8_t* TakeBlock(size_t bytes, bool& zeroed)
{
    zeroed = false;
#ifndef ZAVIK_HEAP_BLOCKS_ONLY
    if (bytes >= kLargeBlockBytes && kept) {
        for (Spare& s : kept->spares) {
            if (s.block && s.bytes == bytes) {
                uint8_t* block = s.block;
                s = Spare();
                return block;
            }
        }
        // Another size: what is kept goes back first, so that the new block
        // never stands beside blocks nobody uses.
        ReleaseSpareBlocks();
    }
#endif
    return NewBlock(bytes, zeroed);
}

void GiveBackBlock(uint8_t* block, [[maybe_unused]] size_t bytes)
{
    if (!block)
        return;
#ifndef ZAVIK_HEAP_BLOCKS_ONLY
    KeptBlocks* blocks = bytes >= kLargeBlockBytes ? ThreadKept() : nullptr;
    if (blocks) {
        // Into the first free place, or else in place of the oldest, which
        // goes back to the system; the newest goes last.
        Spare* spares = blocks->spares;
        Spare oldest;
        int place = 0;
        while (place < kSpares && spares[place].block)
            ++place;
        if (place == kSpares) {
            oldest = spares[0];
            place = 0;
        }
        for (int i = place; i + 1 < kSpares; ++i)
            spares[i] = spares[i + 1];
        spares[kSpares - 1] = Spare{block, bytes};
        if (oldest.block)
            DeleteBlock(oldest.block, oldest.bytes);
        return;
    }
#endif
    DeleteBlock(block, bytes);
}

void ReleaseBlock(uint8_t* block, size_t bytes)
{
    if (block)
        DeleteBlock(block, bytes);
}

void ReleaseSpareBlocks()
{
#ifndef ZAVIK_HEAP_BLOCKS_ONLY
    if (kept)
        ReleaseKept(*kept);
#endif
}

size_t SpareBlockBytes()
{
    size_t total = 0;
#ifndef ZAVIK_HEAP_BLOCKS_ONLY
    if (kept)
        for (const Spare& s : kept->spares)
            total += s.block ? s.bytes : 0;
#endif
    return total;
}

void SetMemoryUseWatcher(MemoryUseWatcher watcher) { gMemoryUseWatcher.store(watcher, std::memory_order_release); }

void NoteMemoryUse(int64_t change)
{
    if (change == 0)
        return;
    if (const MemoryUseWatcher watcher = gMemoryUseWatcher.load(std::memory_order_acquire))
        watcher(change);
}

bool LargeBlocksUseHugePages()
{
#ifdef ZAVIK_MAPPED_BLOCKS
    return HugePagesOffered();
#else
    return false;
#endif
}
