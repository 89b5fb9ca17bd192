// The parts of a safe save the shell test (tests/scripts/safe_save_test.sh)
// cannot reach: the memory stream and the in-place write behind a folder
// that takes no new file (the Windows stream is a pipe drained by a
// thread). The Windows attributes are in safe_output_test_win32.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "formats/standard/replace_file.h"
#include "formats/standard/safe_output.h"
#include "tests/support/temp_files.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Bytes that differ from their neighbours, so that a lost or repeated block
// shows.
std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7919u) >> 5);
    return bytes;
}

}  // namespace

TEST(SafeOutput, InMemoryThenOverTheTargetKeepsEveryByteAndTheLength)
{
    TempDir dir;
    // Sizes around the pipe's and the buffer's, and far beyond them.
    for (const size_t size : {size_t{0}, size_t{1}, size_t{65536}, size_t{65537}, size_t{3u << 20}}) {
        SCOPED_TRACE(size);
        const std::string bytes = Pattern(size);
        MemoryFile memory;
        ASSERT_TRUE(OpenMemoryFile(memory));
        for (size_t done = 0; done < size;) {   // uneven pieces, as encoders write
            const size_t piece = std::min<size_t>(size - done, 1 + done % 5000);
            ASSERT_EQ(std::fwrite(bytes.data() + done, 1, piece, memory.file), piece);
            done += piece;
        }
        ASSERT_TRUE(CloseMemoryFile(memory));
        ASSERT_EQ(memory.size, size);
        EXPECT_EQ(std::string(memory.data, memory.size), bytes);
        // Over a longer file and over a shorter one: exactly the new bytes.
        for (const size_t before : {size + 1000, size / 2}) {
            const std::string target = dir.Write("t", Pattern(before + 3).substr(3));
            ASSERT_EQ(OverwriteFile(target.c_str(), memory.data, memory.size, true), OverwriteResult::kWritten);
            EXPECT_TRUE(ReadAll(target) == bytes) << "over " << before << " bytes";
        }
        FreeMemoryFile(memory);
    }
}

// Written in place, a file is changed under the one name it was given: a
// file with other names is refused whole where the save must stay in its
// folder (another name may lie outside it), and a final link is never
// followed.
TEST(SafeOutput, InPlaceChangesOnlyTheNameGiven)
{
    TempDir dir;
    const std::string target = dir.Write("t", "old");
    std::filesystem::create_hard_link(target, dir.Path("other"));
    EXPECT_EQ(OverwriteFile(target.c_str(), "new!", 4, true), OverwriteResult::kRefused);
    EXPECT_EQ(ReadAll(target), "old");
    EXPECT_EQ(OverwriteFile(target.c_str(), "new!", 4, false), OverwriteResult::kWritten);
    EXPECT_EQ(ReadAll(dir.Path("other")), "new!");
#ifndef _WIN32
    std::filesystem::create_symlink("t", dir.Path("link"));
    EXPECT_EQ(OverwriteFile(dir.Path("link").c_str(), "x", 1, false), OverwriteResult::kRefused);
    EXPECT_EQ(ReadAll(target), "new!");
#endif
}

namespace {

// Records a save's steps and refuses the one it is told to, as a batch
// being stopped refuses them.
class StepLog final : public SaveWatcher {
public:
    explicit StepLog(TemporaryFileEvent refused = TemporaryFileEvent::kCreated) : refused_(refused) {}
    bool Follow(TemporaryFileEvent event, const char* name) override
    {
        steps.push_back({event, name});
        return event != refused_ || event == TemporaryFileEvent::kCreated;
    }
    std::vector<std::pair<TemporaryFileEvent, std::string>> steps;

private:
    TemporaryFileEvent refused_;
};

bool FolderHoldsOnly(const TempDir& dir, const std::vector<std::string>& names)
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(dir.Path(""))))
        found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found == names;
}

}  // namespace

// A save tells its watcher of its temporary file before it can exist and
// when it is gone, and a watcher that refuses a step (a batch being
// stopped) leaves the target as it was and no file behind: refused before
// the file is made, the save does not fall back to writing in place.
TEST(SafeOutput, EachSaveTellsItsOwnWatcherAndStopsWhereItIsRefused)
{
    TempDir dir;
    const std::string target = dir.Write("t", "old");
    const auto writeNew = [](std::FILE* file) { return std::fputs("new", file) >= 0; };
    StepLog log;
    SaveCall call;
    call.watcher = &log;
    ASSERT_EQ(WriteSafely(target.c_str(), writeNew, call), OutputResult::kWritten);
    ASSERT_EQ(log.steps.size(), 4u);
    const std::string temporary = log.steps[0].second;
    EXPECT_EQ(temporary.rfind(dir.Path(".zvk"), 0), 0u) << temporary;
    const std::vector<TemporaryFileEvent> expected = {TemporaryFileEvent::kCreating, TemporaryFileEvent::kCreated,
                                                      TemporaryFileEvent::kReplacing, TemporaryFileEvent::kGone};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(log.steps[i].first, expected[i]) << i;
        EXPECT_EQ(log.steps[i].second, temporary) << i;
    }
    EXPECT_EQ(ReadAll(target), "new");

    for (const TemporaryFileEvent refused : {TemporaryFileEvent::kCreating, TemporaryFileEvent::kReplacing}) {
        dir.Write("t", "old");
        StepLog refusing(refused);
        SaveCall stopped;
        stopped.watcher = &refusing;
        bool encoded = false;
        EXPECT_NE(WriteSafely(target.c_str(), [&](std::FILE* file) { return encoded = writeNew(file); }, stopped),
                  OutputResult::kWritten);
        EXPECT_EQ(encoded, refused == TemporaryFileEvent::kReplacing);
        EXPECT_EQ(ReadAll(target), "old");
        EXPECT_TRUE(FolderHoldsOnly(dir, {"t"}));
        EXPECT_EQ(stopped.failure.target, target);
    }
    // Each call's failure is its own: a later save elsewhere leaves it.
    SaveCall failed;
    EXPECT_EQ(WriteSafely(dir.Path("no/such/folder/x").c_str(), writeNew, failed), OutputResult::kCannotCreate);
    SaveCall written;
    EXPECT_EQ(WriteSafely(target.c_str(), writeNew, written), OutputResult::kWritten);
    EXPECT_EQ(failed.failure.fault, OutputFault::kSystem);
    EXPECT_FALSE(failed.failure.systemText.empty());
    EXPECT_EQ(written.failure.fault, OutputFault::kNone);
}
