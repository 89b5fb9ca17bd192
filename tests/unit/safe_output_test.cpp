// The parts of a safe save the shell test (tests/scripts/safe_save_test.sh)
// cannot reach: the memory stream and the in-place write behind a folder
// that takes no new file (the Windows one is a pipe drained by a thread),
// the temporary-file watcher, and on Windows the attributes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "formats/standard/replace_file.h"
#include "formats/standard/safe_output.h"
#include "tests/support/temp_files.h"

#ifdef _WIN32
#include <windows.h>
#endif

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

std::vector<std::string> gWatched;

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
            ASSERT_TRUE(OverwriteFile(target.c_str(), memory.data, memory.size));
            EXPECT_TRUE(ReadAll(target) == bytes) << "over " << before << " bytes";
        }
        FreeMemoryFile(memory);
    }
}

TEST(SafeOutput, TheWatcherSeesATemporaryFileBesideTheTargetUntilItIsGone)
{
    TempDir dir;
    const std::string target = dir.Write("picture.png", "the earlier file");
    SetTemporaryFileWatcher([](const char* name) { gWatched.push_back(name ? name : "(none)"); });
    for (const bool succeeds : {false, true}) {
        SCOPED_TRACE(succeeds);
        gWatched.clear();
        bool existedWhileWriting = false;
        const OutputResult result = WriteSafely(target.c_str(), [&](std::FILE* file) {
            existedWhileWriting = gWatched.size() == 1 && std::filesystem::exists(gWatched[0]);
            return std::fputs("the new file", file) >= 0 && succeeds;
        });
        EXPECT_EQ(result, succeeds ? OutputResult::kWritten : OutputResult::kWriteFailed);
        ASSERT_EQ(gWatched.size(), 2u);
        EXPECT_TRUE(existedWhileWriting);
        EXPECT_EQ(std::filesystem::path(gWatched[0]).parent_path(), std::filesystem::path(target).parent_path());
        EXPECT_EQ(gWatched[1], "(none)");
        EXPECT_FALSE(std::filesystem::exists(gWatched[0]));
        EXPECT_EQ(ReadAll(target), succeeds ? "the new file" : "the earlier file");
    }
    SetTemporaryFileWatcher(nullptr);
}

#ifdef _WIN32
TEST(SafeOutput, WindowsKeepsHiddenAndSystemAndRefusesReadOnly)
{
    TempDir dir;
    const std::string hidden = dir.Write("hidden.bmp", "old");
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(WriteSafely(hidden.c_str(), [](std::FILE* file) { return std::fputs("new", file) >= 0; }),
              OutputResult::kWritten);
    EXPECT_EQ(ReadAll(hidden), "new");
    const DWORD kept = GetFileAttributesA(hidden.c_str());
    EXPECT_EQ(kept & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM});
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);

    const std::string readOnly = dir.Write("read-only.bmp", "old");
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    bool encoded = false;
    EXPECT_EQ(WriteSafely(readOnly.c_str(), [&](std::FILE*) { return encoded = true; }), OutputResult::kCannotCreate);
    EXPECT_FALSE(encoded);
    EXPECT_EQ(ReadAll(readOnly), "old");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);   // so that the folder can be removed
}
#endif
