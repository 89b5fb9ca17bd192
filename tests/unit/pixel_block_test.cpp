#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "image/byte_buffer.h"
#include "image/pixel_block.h"

namespace {

int64_t held = 0;   // what the memory watcher was told
void Watch(int64_t change) { held += change; }

std::atomic<int64_t> heldByAll{0};   // the same, told from any thread
void WatchAll(int64_t change) { heldByAll += change; }

bool AllZero(const uint8_t* block, size_t bytes)
{
    return std::all_of(block, block + bytes, [](uint8_t b) { return b == 0; });
}

}  // namespace

// A large block comes back for its own size only, and is zero exactly when
// it says so; the two newest are kept, and any other size frees them first.
// The memory watcher counts a kept block until it goes back to the system.
TEST(PixelBlock, LargeBlocksAreKeptForTheirSizeAlone)
{
    ReleaseSpareBlocks();
    SetMemoryUseWatcher(Watch);
    held = 0;
    const size_t size = kLargeBlockBytes + 12345;
    bool zeroed = false;
    uint8_t* block = TakeBlock(size, zeroed);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(held, static_cast<int64_t>(size));
    if (zeroed) {
        EXPECT_TRUE(AllZero(block, size));
    }
    if (LargeBlocksUseHugePages()) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % kLargeBlockBytes, 0u);
    }
    std::memset(block, 0x5A, size);
    GiveBackBlock(block, size);
    EXPECT_EQ(held, static_cast<int64_t>(SpareBlockBytes()));
    if (SpareBlockBytes() == 0) {   // the sanitizer builds keep nothing
        SetMemoryUseWatcher(nullptr);
        return;
    }
    EXPECT_EQ(SpareBlockBytes(), size);
    EXPECT_EQ(TakeBlock(size, zeroed), block);
    EXPECT_FALSE(zeroed);
    EXPECT_EQ(SpareBlockBytes(), 0u);
    GiveBackBlock(block, size);

    uint8_t* three[3];
    for (size_t i = 0; i < 3; ++i)
        three[i] = TakeBlock(size + i, zeroed);
    for (size_t i = 0; i < 3; ++i)
        GiveBackBlock(three[i], size + i);
    EXPECT_EQ(SpareBlockBytes(), 2 * size + 3);   // the first one went back to the system
    EXPECT_EQ(TakeBlock(size + 1, zeroed), three[1]);
    GiveBackBlock(three[1], size + 1);
    uint8_t* other = TakeBlock(size + 3, zeroed);
    EXPECT_EQ(SpareBlockBytes(), 0u);
    GiveBackBlock(other, size + 3);
    EXPECT_EQ(held, static_cast<int64_t>(size + 3));
    ReleaseSpareBlocks();
    EXPECT_EQ(SpareBlockBytes(), 0u);
    EXPECT_EQ(held, 0);
    SetMemoryUseWatcher(nullptr);
}

// A block used before is never taken for a zero one.
TEST(PixelBlock, ABlockUsedBeforeIsClearedAgain)
{
    const int32_t size = static_cast<int32_t>(kLargeBlockBytes) + 7;
    ByteBuffer buffer;
    ASSERT_TRUE(buffer.AllocateFilled(size, 0xC3));
    buffer.Free();   // kept, and taken again below
    ASSERT_TRUE(buffer.AllocateFilled(size, 0));
    EXPECT_TRUE(AllZero(buffer.data, static_cast<size_t>(size)));
    buffer.Free();
    ReleaseSpareBlocks();
}

// Each thread keeps its own blocks: another thread neither sees nor takes
// them, and a thread's kept blocks go back to the system, told to the
// watcher, when it ends.
TEST(PixelBlock, EachThreadKeepsItsOwnBlocksUntilItEnds)
{
    ReleaseSpareBlocks();
    heldByAll = 0;
    SetMemoryUseWatcher(WatchAll);
    const size_t size = kLargeBlockBytes + 4321;
    bool zeroed = false;
    uint8_t* mine = TakeBlock(size, zeroed);
    ASSERT_NE(mine, nullptr);
    GiveBackBlock(mine, size);
    const size_t keptHere = SpareBlockBytes();   // 0 in the sanitizer builds, which keep nothing

    size_t keptThere = 0, seenThere = 0;
    uint8_t* theirs = nullptr;
    std::thread([&] {
        seenThere = SpareBlockBytes();
        bool z = false;
        theirs = TakeBlock(size, z);
        GiveBackBlock(theirs, size);
        keptThere = SpareBlockBytes();
    }).join();
    EXPECT_EQ(seenThere, 0u);
    EXPECT_EQ(keptThere, keptHere);
    EXPECT_NE(theirs, nullptr);
    if (keptHere != 0) {
        EXPECT_NE(theirs, mine);
    }
    EXPECT_EQ(heldByAll, static_cast<int64_t>(keptHere));   // the thread's went back as it ended
    EXPECT_EQ(SpareBlockBytes(), keptHere);
    if (keptHere != 0) {
        EXPECT_EQ(TakeBlock(size, zeroed), mine);
        GiveBackBlock(mine, size);
    }
    ReleaseSpareBlocks();
    EXPECT_EQ(heldByAll, 0);
    SetMemoryUseWatcher(nullptr);
}
