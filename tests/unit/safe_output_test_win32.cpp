// What a save keeps of a Windows file it replaces, and the read-only file
// it refuses to replace.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "formats/standard/safe_output.h"
#include "tests/support/temp_files.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

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
