// The real main window of the program, created from the program's own code
// in this process, driven by messages and menu commands.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/main_window_win32.h"
#include "formats/painter/painter_record.h"
#include "resources/resource.h"
#include "tests/support/temp_files.h"
#include "tests/win32/message_box_hook_win32.h"
#include "tests/win32/window_fixture_win32.h"

namespace {

class MainWindow : public MainWindowTest {
protected:
    std::string StatusText() const
    {
        char text[512] = {};
        // The bar is in simple mode: its one part holds the text set as part 255.
        SendMessageA(StatusBar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }

    HMENU ZoomMenu() const { return GetSubMenu(GetMenu(window), 2); }

    TempDir dir;
};

std::string Title(const std::string& path, const std::string& painter)
{
    return path + "（絵師：" + painter + "） - zavik view";
}

// A real HDROP as the shell hands it over: DROPFILES then the names, each
// NUL-terminated, with a second NUL at the end.
HDROP MakeDrop(const std::vector<std::string>& names)
{
    size_t bytes = sizeof(DROPFILES) + 1;
    for (const auto& n : names)
        bytes += n.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    char* p = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
    for (const auto& n : names) {
        std::memcpy(p, n.c_str(), n.size() + 1);
        p += n.size() + 1;
    }
    *p = '\0';
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

}  // namespace

TEST_F(MainWindow, StartsWithClassTitleAndStatusBar)
{
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ(className, "ZAVIK_VIEW");
    EXPECT_EQ(WindowText(window), "zavik view");
    EXPECT_TRUE(IsWindow(StatusBar));
    EXPECT_EQ(GetDlgCtrlID(StatusBar), IDC_STATUS_BAR);
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, WS_EX_ACCEPTFILES);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(r.bottom - r.top, 300);
    EXPECT_EQ(doc.ZoomFactor, 1.0f);
    EXPECT_NE(BackBuffer.dc, nullptr);
}

TEST_F(MainWindow, MenuIsAsTabled)
{
    HMENU menu = GetMenu(window);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 4);
    auto text = [](HMENU m, UINT position) {
        char buffer[128] = {};
        GetMenuStringA(m, position, buffer, sizeof buffer, MF_BYPOSITION);
        return std::string(buffer);
    };
    EXPECT_EQ(text(menu, 0), "ファイル");
    EXPECT_EQ(text(menu, 1), "オプション");
    EXPECT_EQ(text(menu, 2), "表示倍率");
    EXPECT_EQ(text(menu, 3), "その他(&F)");
    const struct { int popup, position; UINT id; const char* text; } items[] = {
        {0, 0, 32771, "開く"}, {0, 1, 32772, "保存"},
        {1, 0, 32775, "背景透過"}, {1, 1, 32776, "筆の色・背景色の設定"}, {1, 2, 32774, "プロパティ"},
        {2, 0, 32777, "100%"}, {2, 1, 32778, "90%"}, {2, 9, 32786, "10%"},
        {3, 0, 32773, "ファイルの関連付けをする"}, {3, 2, 104, "ﾊﾞｰｼﾞｮﾝ情報(&A) ..."},
        {3, 4, 105, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"},
    };
    for (const auto& item : items) {
        HMENU popup = GetSubMenu(menu, item.popup);
        EXPECT_EQ(GetMenuItemID(popup, item.position), item.id) << item.text;
        EXPECT_EQ(text(popup, item.position), item.text);
    }
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(menu, 2)), 10);
    EXPECT_EQ(GetMenuState(GetSubMenu(menu, 3), 1, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
    EXPECT_EQ(GetMenuState(GetSubMenu(menu, 3), 3, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
}

TEST_F(MainWindow, ZoomCommandsMoveTheCheckMark)
{
    HMENU zoom = ZoomMenu();
    for (int id = IDM_ZOOM_100; id <= IDM_ZOOM_10; ++id) {
        Command(id);
        // Opening the popup sets its check marks.
        SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(zoom), 2);
        for (int other = IDM_ZOOM_100; other <= IDM_ZOOM_10; ++other) {
            UINT state = GetMenuState(zoom, other, MF_BYCOMMAND);
            EXPECT_EQ((state & MF_CHECKED) != 0, other == id) << "after " << id << ", item " << other;
        }
    }
    EXPECT_EQ(doc.ZoomFactor, 0.1f);
}

TEST_F(MainWindow, LayoutWithNothingLoadedLeavesTheMinimumClientArea)
{
    RECT before;
    GetWindowRect(window, &before);
    Command(IDM_ZOOM_100 + 1);
    SIZE client = ClientSize();
    EXPECT_EQ(client.cx, 250);
    EXPECT_EQ(client.cy, 20);   // no picture rows, the status bar's room
    RECT after;
    GetWindowRect(window, &after);
    EXPECT_EQ(after.left, before.left);   // the position stays
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(StatusText(), "絵師：");
}

TEST_F(MainWindow, WindowIsFittedToThePictureAtEveryZoom)
{
    const struct { int width, height, command, clientWidth, clientHeight; } cases[] = {
        {100, 100, IDM_ZOOM_100 + 1, 250, 89 + 20},    // 90 %: 89 x 89, minimum width
        {1000, 50, IDM_ZOOM_100, 1000, 50 + 20},
        {1000, 50, IDM_ZOOM_10, 250, 5 + 20},
        {640, 480, IDM_ZOOM_100 + 1, 575, 431 + 20},
    };
    for (const auto& c : cases) {
        doc.Picture.ResizeAndFill(c.width, c.height, 0);
        doc.Picture.FillHeaders();
        Command(c.command);
        SIZE client = ClientSize();
        EXPECT_EQ(client.cx, c.clientWidth) << c.width << " at " << c.command;
        EXPECT_EQ(client.cy, c.clientHeight) << c.width << " at " << c.command;
    }
    doc.Picture.ResizeAndFill(0, 0, 0);
    doc.Picture.FillHeaders();
}

TEST_F(MainWindow, PaintWritesTheLongStatusText)
{
    std::strcpy(doc.CurrentPainter.name, "花子");
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    PumpMessages();
    EXPECT_EQ(StatusText(), "絵師：花子, 幅：" + std::to_string(doc.Picture.width) + ", 高さ：" +
                                std::to_string(doc.Picture.height));
}

TEST_F(MainWindow, DroppingThreeFilesOpensOnlyTheFirst)
{
    std::string first = dir.Write("first one.dat", "aaaa");
    std::string second = dir.Write("second.dat", "bbbb");
    std::string third = dir.Write("third.dat", "cccc");
    ModalBoxCatcher catcher;
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({first, second, third})), 0);
    PumpMessages();
    ASSERT_EQ(catcher.Boxes().size(), 2u);
    EXPECT_EQ(catcher.Boxes()[0].text, "ファイルの読み込みに失敗しました。未対応のファイルです。");
    EXPECT_EQ(catcher.Boxes()[0].caption, "失敗");
    EXPECT_EQ(catcher.Boxes()[0].owner, window);
    EXPECT_EQ(catcher.Boxes()[1].text, "ファイルの読み込みに失敗しました。");
    EXPECT_EQ(WindowText(window), Title(first, "－－"));
    EXPECT_STREQ(doc.CurrentPath, first.c_str());
}

TEST_F(MainWindow, DroppedNameTooLongIsRefused)
{
    std::string name = "C:\\" + std::string(300, 'n') + ".esi";
    ModalBoxCatcher catcher;
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({name})), 0);
    PumpMessages();
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].text, "ファイル名が長すぎます。（259バイトまでのファイル名が開けます。）");
    EXPECT_EQ(WindowText(window), "zavik view");
}

TEST_F(MainWindow, MissingFileShowsTheOpenFailure)
{
    std::string path = dir.Path("missing.esi");
    ModalBoxCatcher catcher;
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({path})), 0);
    PumpMessages();
    ASSERT_EQ(catcher.Boxes().size(), 2u);
    EXPECT_EQ(catcher.Boxes()[0].text, "ファイル生成に失敗しました。");
    EXPECT_EQ(catcher.Boxes()[0].caption, "Read_ESI_CNV");
    EXPECT_EQ(catcher.Boxes()[1].text, path);
    EXPECT_EQ(catcher.Boxes()[1].caption, "test");
    EXPECT_EQ(WindowText(window), "zavik view");
}

TEST_F(MainWindow, SaveWithNothingLoaded)
{
    ModalBoxCatcher catcher;
    Command(IDM_SAVE);
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].text, "保存すべきものが読み込まれていません。");
    EXPECT_EQ(catcher.Boxes()[0].caption, "保存できません。");
}

TEST_F(MainWindow, PropertiesByDocumentKind)
{
    ModalBoxCatcher catcher;
    Command(IDM_PROPERTIES);   // nothing loaded: nothing
    doc.kind = kCanvas;
    Command(IDM_PROPERTIES);   // canvas: nothing
    EXPECT_TRUE(catcher.Boxes().empty());

    doc.kind = kStandardImage;
    doc.Picture.ResizeAndFill(640, 480, 0);
    doc.Picture.FillHeaders();
    Command(IDM_PROPERTIES);
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].text, "幅：640, 高さ：480");
    EXPECT_EQ(catcher.Boxes()[0].caption, "画像のサイズ");
    doc.Picture.ResizeAndFill(0, 0, 0);
}

TEST_F(MainWindow, AboutBoxOpensAndCloses)
{
    ModalBoxCatcher catcher;
    Command(IDM_ABOUT);
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].caption, "ﾊﾞｰｼﾞｮﾝ情報");
}

TEST_F(MainWindow, ProgramDirectoryFromTheCommandLine)
{
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    SetProgramDirectory("");
    EXPECT_STREQ(ProgramDir, before);   // no argument: the current directory, unchanged

    // With an argument the program's own name is cut off the whole command
    // line; its directory, ending in a backslash, becomes current.
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string exeDir(exe, std::strrchr(exe, '\\') + 1);
    SetProgramDirectory("\"x\"");
    EXPECT_EQ(std::string(ProgramDir), exeDir);
    char now[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, now);
    EXPECT_EQ(std::string(now) + "\\", exeDir);

    // A line longer than the buffers: the folder comes from the program's
    // own file name, and it still becomes current.
    SetCurrentDirectoryA(dir.Path("").c_str());
    std::memset(ProgramDir, 0, sizeof ProgramDir);
    SetProgramDirectory(("\"" + std::string(300, 'n') + "\"").c_str());
    EXPECT_EQ(std::string(ProgramDir), exeDir);
    GetCurrentDirectoryA(MAX_PATH, now);
    EXPECT_EQ(std::string(now) + "\\", exeDir);
    SetCurrentDirectoryA(before);
}

TEST_F(MainWindow, AcceleratorsSendTheAboutCommand)
{
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_ZAVIK_VIEW));
    ASSERT_NE(table, nullptr);
    ACCEL entries[4];
    int count = CopyAcceleratorTableA(table, entries, 4);
    ASSERT_EQ(count, 2);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(entries[i].cmd, IDM_ABOUT);
        EXPECT_EQ(entries[i].fVirt & FVIRTKEY, 0);
        EXPECT_NE(entries[i].fVirt & FALT, 0);
    }
    EXPECT_EQ(entries[0].key, '?');
    EXPECT_EQ(entries[1].key, '/');
}

TEST_F(MainWindow, ExitDestroysTheWindow)
{
    PumpMessages();
    SendMessageA(window, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_FALSE(IsWindow(window));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
}
