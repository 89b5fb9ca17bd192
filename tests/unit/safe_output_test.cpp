// The parts of a safe save the shell test (tests/scripts/safe_save_test.sh)
// cannot reach: the memory stream and the in-place write behind a folder
// that takes no new file (the Windows stream is a pipe drained by a
// thread). The Windows attributes are in safe_output_test_win32.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

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
