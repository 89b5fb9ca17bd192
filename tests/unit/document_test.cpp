#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/command_line.h"
#include "app/document.h"
#include "app/zoom.h"
#include "tests/support/temp_files.h"

namespace {

std::array<uint8_t, 12> Header(const char* text)
{
    std::array<uint8_t, 12> h{};
    std::memcpy(h.data(), text, std::min<size_t>(12, std::strlen(text) + 1));
    return h;
}

}  // namespace

TEST(MagicTests, FirstElevenBytesDecide)
{
    const struct { const char* header; bool item, painter, canvas; } cases[] = {
        {"itm file 0f", true, false, false},
        {"esi file 0a", false, true, false},
        {"esi file 0f", false, true, false},
        {"esi file 0b", false, false, false},
        {"esi file 0A", false, false, false},
        {"esi file 1f", false, false, false},
        {"cnv file 0a", false, false, true},
        {"cnv file 0f", false, false, false},
        {"itm file 0a", false, false, false},
        {"\x89PNG\r\n\x1a\n", false, false, false},
        // Positions mixed from "esi file 0a" and "esi file 0f" still pass.
        {"esi file 0f", false, true, false},
    };
    for (const auto& c : cases) {
        auto h = Header(c.header);
        EXPECT_EQ(IsItemMagic(h.data()), c.item) << c.header;
        EXPECT_EQ(IsPainterMagic(h.data()), c.painter) << c.header;
        EXPECT_EQ(IsCanvasMagic(h.data()), c.canvas) << c.header;
    }
    auto twelfth = Header("cnv file 0a");
    twelfth[11] = 'Z';   // the 12th byte is never compared
    EXPECT_TRUE(IsCanvasMagic(twelfth.data()));
}

TEST(MagicTests, ShortFilesKeepTheInitialHeader)
{
    TempDir dir;
    const struct { std::string content; bool painter; } cases[] = {
        {"", true},            // nothing read: "esi file 0f" stays
        {"esi", true},         // agrees with the start of "esi file 0f"
        {"esi file 0a", true}, // 11 bytes, the 12th stays NUL
        {"itm", false},
        {"x", false},
    };
    for (const auto& c : cases) {
        std::string path = dir.Write("short.bin", c.content);
        uint8_t header[12];
        ASSERT_TRUE(ReadFileHeader(path.c_str(), header));
        EXPECT_EQ(IsPainterMagic(header), c.painter) << "'" << c.content << "'";
    }
    uint8_t header[12];
    EXPECT_FALSE(ReadFileHeader(dir.Path("missing.bin").c_str(), header));
}

TEST(DocumentTitle, FormatsPathAndPainter)
{
    char title[kTitleSize];
    FormatDocumentTitle(title, "C:\\pics\\a.esi", "花子");
    EXPECT_STREQ(title, "C:\\pics\\a.esi（絵師：花子） - zavik view");
}

TEST(DocumentTitle, LongPathsAreCutBeforeTheTail)
{
    std::string longPath(259, 'p');
    char title[kTitleSize];
    FormatDocumentTitle(title, longPath.c_str(), "name");
    std::string t = title;
    EXPECT_LT(t.size(), size_t(kTitleSize));
    EXPECT_EQ(t.substr(t.size() - std::strlen("） - zavik view")), "） - zavik view");
    // A name of double-byte characters is cut between characters.
    std::string name;
    for (int i = 0; i < 130; ++i)
        name += "絵";
    FormatDocumentTitle(title, "a", name.c_str());
    t = title;
    size_t tail = std::strlen("） - zavik view");
    std::string middle = t.substr(0, t.size() - tail);
    EXPECT_EQ((middle.size() - std::strlen("a（絵師：")) % 2, 0u);
}

TEST(DocumentTitle, SettingTheTitleReplacesCurrentPath)
{
    Document doc;
    ViewChanges changes;
    std::memset(doc.CurrentPath, 'x', sizeof doc.CurrentPath - 1);
    SetDocumentTitle(doc, "b.jpg", "－－", changes);
    EXPECT_STREQ(doc.CurrentPath, "b.jpg");
    for (size_t i = 5; i < sizeof doc.CurrentPath; ++i)
        ASSERT_EQ(doc.CurrentPath[i], 0) << i;
    ASSERT_TRUE(changes.title);
    EXPECT_STREQ(changes.titleText, "b.jpg（絵師：－－） - zavik view");
    // The path may be CurrentPath itself.
    SetDocumentTitle(doc, doc.CurrentPath, "x", changes);
    EXPECT_STREQ(doc.CurrentPath, "b.jpg");
}

TEST(StatusTexts, Formats)
{
    char status[kStatusSize];
    FormatPaintStatus(status, "－－", 640, 480);
    EXPECT_STREQ(status, "絵師：－－, 幅：640, 高さ：480");
    FormatLayoutStatus(status, "花子");
    EXPECT_STREQ(status, "絵師：花子");
    FormatSizeText(status, 100, -3);
    EXPECT_STREQ(status, "幅：100, 高さ：-3");

    std::string name(259, 'n');
    FormatPaintStatus(status, name.c_str(), 12345, 67890);
    std::string s = status;
    EXPECT_LT(s.size(), size_t(kStatusSize));
    EXPECT_EQ(s.substr(s.size() - std::strlen(", 幅：12345, 高さ：67890")), ", 幅：12345, 高さ：67890");
    FormatLayoutStatus(status, name.c_str());
    EXPECT_EQ(std::strlen(status), size_t(kStatusSize - 1));
}

TEST(CommandLine, QuotesAreRemovedEverywhere)
{
    char out[kPathSize];
    EXPECT_TRUE(StripQuotes(out, "\"C:\\my pics\\a b.esi\""));
    EXPECT_STREQ(out, "C:\\my pics\\a b.esi");
    EXPECT_TRUE(StripQuotes(out, "a\"b\"c"));
    EXPECT_STREQ(out, "abc");
    EXPECT_TRUE(StripQuotes(out, ""));
    EXPECT_STREQ(out, "");

    std::string fits(259, 'f');
    EXPECT_TRUE(StripQuotes(out, ("\"" + fits + "\"").c_str()));
    EXPECT_EQ(std::strlen(out), 259u);
    std::string tooLong(260, 'f');
    EXPECT_FALSE(StripQuotes(out, tooLong.c_str()));
    EXPECT_STREQ(out, "");
}

TEST(CommandLine, ProgramDirectoryArithmetic)
{
    // The program part is the whole line minus the argument, with its blank.
    const char* whole = "C:\\Program Files\\zv\\zavik_view.exe C:\\a b.esi";
    size_t n = ProgramPartLength(whole, "C:\\a b.esi");
    EXPECT_EQ(std::string(whole, n), "C:\\Program Files\\zv\\zavik_view.exe ");
    EXPECT_EQ(ProgramPartLength("x.exe", "longer argument"), 0u);

    char dir[kPathSize];
    const char* full = "C:\\Program Files\\zv\\zavik_view.exe ";
    DirectoryOfFullPath(dir, full, std::strlen("C:\\Program Files\\zv\\"));
    EXPECT_STREQ(dir, "C:\\Program Files\\zv\\");
    DirectoryOfFullPath(dir, full, 400);
    EXPECT_STREQ(dir, "");
}

// The save dialog's next folder: a root keeps its separator ("C:" alone
// would mean the current folder on C), any other folder loses it.
TEST(CommandLine, FolderOfASavedFile)
{
    const struct {
        const char* path;
        size_t fileOffset;
        const char* folder;
    } cases[] = {
        {"C:\\pic.jpg", 3, "C:\\"},
        {"C:\\絵\\pic.jpg", 6, "C:\\絵"},
        {"\\\\server\\share\\pic.jpg", 15, "\\\\server\\share"},
        {"C:\\pic.jpg", 400, ""},
    };
    for (const auto& c : cases) {
        char folder[kPathSize];
        FolderOfSavedFile(folder, c.path, c.fileOffset);
        EXPECT_STREQ(folder, c.folder) << c.path;
    }
}

TEST(Zoom, FactorsAreTheNearestSingles)
{
    const float expected[] = {1.0f, 0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0.1f};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(ZoomFactorForCommand(kZoomFirstCommand + i), expected[i]);
    EXPECT_EQ(ZoomFactorForCommand(kZoomFirstCommand - 1), 0.0f);
    EXPECT_EQ(ZoomFactorForCommand(kZoomLastCommand + 1), 0.0f);
    EXPECT_EQ(static_cast<double>(ZoomFactorForCommand(32778)), static_cast<double>(0.899999976158142f));
}

TEST(Zoom, EveryStepChecksItsOwnItem)
{
    for (int id = kZoomFirstCommand; id <= kZoomLastCommand; ++id)
        EXPECT_EQ(CheckedZoomCommand(ZoomFactorForCommand(id)), id);
    EXPECT_EQ(CheckedZoomCommand(0.0f), 0);
    EXPECT_EQ(CheckedZoomCommand(0.05f), 0);
    EXPECT_EQ(CheckedZoomCommand(1.2f), 0);
    EXPECT_EQ(CheckedZoomCommand(-1.0f), 0);
}
