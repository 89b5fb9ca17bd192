// Save through the real save dialog of the main window, with each type.
#include <gtest/gtest.h>

#include <windows.h>

#include <dlgs.h>

#include <cstring>
#include <string>

#include "app/document.h"
#include "app/main_window_win32.h"
#include "app/open_dispatch.h"
#include "app/save_dialog_win32.h"
#include "resources/resource.h"
#include "tests/support/temp_files.h"
#include "tests/win32/message_box_hook_win32.h"
#include "tests/win32/window_fixture_win32.h"

namespace {

class SaveDialog : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ModalBoxCatcher none;
        ASSERT_EQ(OpenInWindow(window, doc, ZAVIK_SAMPLES "/landscape.jpg"), 0);
        ASSERT_EQ(doc.Picture.width, 640);
    }

    // Runs Save, choosing the type and typing the name as a user would.
    void Save(int filterIndex, const std::string& name, ModalBoxCatcher& catcher)
    {
        catcher.OnDialogLater([=](HWND dialog) {
            if (WindowText(dialog) != "画像を保存する。")
                return;
            SendDlgItemMessageA(dialog, cmb1, CB_SETCURSEL, filterIndex - 1, 0);
            SelectType(dialog);
            SetDlgItemTextA(dialog, edt1, name.c_str());
            SetDlgItemTextA(dialog, cmb13, name.c_str());
            EXPECT_EQ(SendDlgItemMessageA(dialog, cmb1, CB_GETCURSEL, 0, 0), filterIndex - 1);
        });
        SendMessageA(window, WM_COMMAND, IDM_SAVE, 0);
        PumpMessages();
    }

    TempDir dir;
};

}  // namespace

TEST_F(SaveDialog, EachTypeWritesAFileTheViewerOpensAgain)
{
    const struct { int index; const char* extension; } types[] = {{1, ".jpg"}, {2, ".bmp"}, {3, ".png"}};
    for (const auto& type : types) {
        // A name typed without an extension gets the type's.
        std::string bare = dir.Path("saved " + std::to_string(type.index));
        ModalBoxCatcher catcher;
        Save(type.index, bare, catcher);
        ASSERT_EQ(catcher.Boxes().size(), 1u) << type.index;   // the dialog only, no failure
        std::string written = bare + type.extension;
        ASSERT_NE(GetFileAttributesA(written.c_str()), INVALID_FILE_ATTRIBUTES) << written;

        ASSERT_EQ(OpenInWindow(window, doc, written.c_str()), 0);
        EXPECT_EQ(doc.kind, kStandardImage) << written;
        EXPECT_EQ(doc.Picture.width, 640);
        EXPECT_EQ(doc.Picture.height, 480);
        char folder[MAX_PATH];
        std::strcpy(folder, written.c_str());
        *std::strrchr(folder, '\\') = '\0';
        EXPECT_STREQ(LastSaveFolder, folder);
    }
}

TEST_F(SaveDialog, TheFilterChoosesTheFormatNotTheTypedName)
{
    std::string name = dir.Path("looks like.png");
    ModalBoxCatcher catcher;
    Save(1, name, catcher);
    char head[3] = {};
    std::FILE* f = std::fopen(name.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fread(head, 1, 3, f), 3u);
    std::fclose(f);
    EXPECT_EQ(std::memcmp(head, "\xFF\xD8\xFF", 3), 0);   // a JPEG
}

TEST_F(SaveDialog, ABareNameOfAnExistingFileIsAskedAbout)
{
    std::string bare = dir.Path("again");
    std::string existing = dir.Write("again.bmp", "keep me");
    ModalBoxCatcher catcher(IDNO);
    catcher.OnDialogLater([=](HWND dialog) {
        if (WindowText(dialog) != "画像を保存する。")
            return;
        SendDlgItemMessageA(dialog, cmb1, CB_SETCURSEL, 1, 0);
        SelectType(dialog);
        SetDlgItemTextA(dialog, edt1, bare.c_str());
        SetDlgItemTextA(dialog, cmb13, bare.c_str());
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);   // the dialog's own OK; the catcher answers No after
    });
    SendMessageA(window, WM_COMMAND, IDM_SAVE, 0);
    PumpMessages();
    ASSERT_GE(catcher.Boxes().size(), 2u);
    EXPECT_EQ(catcher.Boxes().back().caption, "画像を保存する。");
    EXPECT_EQ(catcher.Boxes().back().text, existing + " は既にあります。\r\n上書きしますか？");
    std::FILE* f = std::fopen(existing.c_str(), "rb");
    char kept[8] = {};
    std::fread(kept, 1, 7, f);
    std::fclose(f);
    EXPECT_STREQ(kept, "keep me");
}

TEST_F(SaveDialog, CancelChangesNothing)
{
    std::strcpy(LastSaveFolder, "C:\\kept");
    ModalBoxCatcher catcher(IDCANCEL);
    SendMessageA(window, WM_COMMAND, IDM_SAVE, 0);
    PumpMessages();
    EXPECT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_STREQ(LastSaveFolder, "C:\\kept");
    LastSaveFolder[0] = '\0';
}
