#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "shell/association.h"
#include "tests/support/recording_platform.h"

namespace {

// Bound to a window, so that a box shown with that window as its owner,
// rather than with none, shows as one.
RecordingFrontEnd ui(reinterpret_cast<WindowHandle>(0x7777));

using Write = std::pair<std::string, std::string>;

// A registry that records every write and can refuse the n-th key.
std::vector<Write> writes;
int refuseAt = 0;   // 1-based; 0 refuses nothing

bool RecordWrite(const char* key, const char* value)
{
    if (static_cast<int>(writes.size()) + 1 == refuseAt)
        return false;
    writes.emplace_back(key, value);
    return true;
}

class Association : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearRecordedCalls();
        writes.clear();
        refuseAt = 0;
    }
    // All three kinds, as a dialog with every box ticked registers them.
    std::vector<int> RegisterAll(const char* programDir)
    {
        std::vector<int> results;
        for (FileKind kind : {kPainterFileKind, kCanvasFileKind, kItemFileKind})
            results.push_back(RegisterFileKindWith(ui, kind, programDir, RecordWrite));
        return results;
    }
};

// The nine writes of all three kinds, in the order they must happen.
std::vector<Write> NineWrites(const std::string& dir)
{
    const struct {
        const char* cls;
        const char* ext;
        const char* index;
    } kinds[] = {{"ZavikESI", ".esi", "10"}, {"ZavikCNV", ".cnv", "11"}, {"ZavikITM", ".itm", "12"}};
    std::vector<Write> all;
    for (const auto& k : kinds) {
        all.push_back({std::string(k.cls) + "\\shell\\open\\command", dir + "\\zavik_view %1"});
        all.push_back({k.ext, k.cls});
        all.push_back({std::string(k.cls) + "\\DefaultIcon", dir + "\\zavik_view.exe," + k.index});
    }
    return all;
}

}  // namespace

// Started with a file the directory ends in a backslash, which is doubled;
// started without, the current directory is used as it is.
TEST_F(Association, AllThreeKindsWriteCommandExtensionIconInTurn)
{
    const struct {
        const char* dir;
        const char* command;
    } cases[] = {
        {"C:\\Program Files\\zavik\\", "C:\\Program Files\\zavik\\\\zavik_view %1"},   // started with a file
        {"D:\\pictures", "D:\\pictures\\zavik_view %1"},                                // started without
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dir);
        SetUp();
        EXPECT_EQ(RegisterAll(c.dir), (std::vector<int>{0, 0, 0}));
        EXPECT_EQ(writes, NineWrites(c.dir));
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes[0].second, c.command);
        EXPECT_TRUE(Recorded().messages.empty());
    }
}

TEST_F(Association, TheFirstKeyRefusedStopsTheKindWithItsNumberedMessage)
{
    const std::vector<Write> all = NineWrites("C:\\z\\");
    for (int step = 1; step <= 3; ++step) {
        SCOPED_TRACE(step);
        SetUp();
        refuseAt = step;
        EXPECT_EQ(RegisterFileKindWith(ui, kPainterFileKind, "C:\\z\\", RecordWrite), kAssociationKeyFailed);
        // The keys before the refused one stay written.
        EXPECT_EQ(writes, std::vector<Write>(all.begin(), all.begin() + step - 1));
        std::vector<RecordedMessage> expected = {
            {nullptr, "RegCreateKeyExでエラーが発生しました" + std::to_string(step), "Error"}};
        EXPECT_EQ(Recorded().messages, expected);
    }
}

TEST_F(Association, AProgramDirectoryTooLongForTheValuesWritesNothing)
{
    // The icon value is the longer one: 18 characters after the directory.
    std::string longest(kPathSize - 1 - 18, 'a');
    AssociationValues values;
    ASSERT_EQ(ComposeAssociationValues(values, kItemFileKind, longest.c_str()), kAssociationOk);
    EXPECT_EQ(std::strlen(values.icon), size_t(kPathSize - 1));
    EXPECT_EQ(values.icon, longest + "\\zavik_view.exe,12");

    std::string tooLong = longest + "a";
    EXPECT_EQ(ComposeAssociationValues(values, kItemFileKind, tooLong.c_str()), kAssociationTooLong);
    EXPECT_STREQ(values.command, "");   // never a cut-off path
    EXPECT_STREQ(values.icon, "");

    // A full buffer without its zero is refused too, not read past.
    char unterminated[kPathSize];
    std::memset(unterminated, 'b', sizeof unterminated);
    EXPECT_EQ(ComposeAssociationValues(values, kPainterFileKind, unterminated), kAssociationTooLong);

    EXPECT_EQ(RegisterFileKindWith(ui, kCanvasFileKind, tooLong.c_str(), RecordWrite), kAssociationTooLong);
    EXPECT_TRUE(writes.empty());
    std::vector<RecordedMessage> expected = {
        {nullptr, "プログラムのフォルダ名が長すぎるため、.cnv ファイルの関連付けができませんでした。", "Error"}};
    EXPECT_EQ(Recorded().messages, expected);
}
