// Dialog 112 and the registry entries it writes, in this Wine prefix's real
// registry. Every test starts and ends without the program's keys.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "resources/resource.h"
#include "shell/association_win32.h"
#include "tests/win32/message_box_hook_win32.h"
#include "tests/win32/window_fixture_win32.h"

namespace {

const int kBoxes[] = {IDC_ASSOC_ESI, IDC_ASSOC_CNV, IDC_ASSOC_ITM};
const std::vector<bool> kUnticked = {false, false, false};

// Every key the program can create with the number of subkeys and values it
// then holds; children first, the order they can be deleted in.
const struct {
    const char* key;
    DWORD subkeys, values;
} kAllKeys[] = {
    {"ZavikESI\\shell\\open\\command", 0, 1}, {"ZavikESI\\shell\\open", 1, 0}, {"ZavikESI\\shell", 1, 0},
    {"ZavikESI\\DefaultIcon", 0, 1},          {"ZavikESI", 2, 0},
    {"ZavikCNV\\shell\\open\\command", 0, 1}, {"ZavikCNV\\shell\\open", 1, 0}, {"ZavikCNV\\shell", 1, 0},
    {"ZavikCNV\\DefaultIcon", 0, 1},          {"ZavikCNV", 2, 0},
    {"ZavikITM\\shell\\open\\command", 0, 1}, {"ZavikITM\\shell\\open", 1, 0}, {"ZavikITM\\shell", 1, 0},
    {"ZavikITM\\DefaultIcon", 0, 1},          {"ZavikITM", 2, 0},
    {".esi", 0, 1},                           {".cnv", 0, 1},                  {".itm", 0, 1},
};

HKEY Open(const char* key, REGSAM access = KEY_READ)
{
    HKEY handle = nullptr;
    return RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, access, &handle) == ERROR_SUCCESS ? handle : nullptr;
}

bool KeyExists(const char* key)
{
    HKEY handle = Open(key);
    return handle && RegCloseKey(handle) == ERROR_SUCCESS;
}

// Creates the key (volatile: no non-volatile key can then be made below it).
void Create(const char* key, DWORD options = 0)
{
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &handle, nullptr), 0);
    RegCloseKey(handle);
}

// A null access list lets everyone in; an empty one makes RegCreateKeyExA
// fail on the existing key.
void SetAccess(const char* key, bool open)
{
    HKEY handle = Open(key, WRITE_DAC);
    if (!handle)
        return;
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, open ? nullptr : &empty, FALSE);
    RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, &sd);
    RegCloseKey(handle);
}

void RemoveAllKeys()
{
    for (const auto& k : kAllKeys) {
        SetAccess(k.key, true);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, k.key);
    }
}

// The key's default value must be exactly this REG_SZ text, its zero counted.
void ExpectDefault(const char* key, const std::string& text)
{
    SCOPED_TRACE(key);
    HKEY handle = Open(key);
    ASSERT_NE(handle, nullptr);
    char value[1024] = {};
    DWORD type = 0, bytes = sizeof value;
    EXPECT_EQ(RegQueryValueExA(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes), 0);
    RegCloseKey(handle);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(bytes, text.size() + 1);
    EXPECT_EQ(value, text);
}

bool HasDefault(const char* key)
{
    HKEY handle = Open(key);
    bool has = handle && RegQueryValueExA(handle, nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    if (handle)
        RegCloseKey(handle);
    return has;
}

struct DialogRun {
    INT_PTR result = -1;
    std::vector<bool> startedTicked;
    std::vector<SeenBox> messages;   // the boxes other than the dialog
};

class AssociationDialogTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        RemoveAllKeys();
        std::memcpy(savedDir, ProgramDir, sizeof savedDir);
        std::strcpy(ProgramDir, "C:\\zavik view\\");   // as started with a file: ends in a backslash
        MainWindowTest::SetUp();
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        RemoveAllKeys();
        std::memcpy(ProgramDir, savedDir, sizeof savedDir);
    }

    // Opens dialog 112 as the main window's command does, ticks the boxes
    // and presses the button; message boxes are answered with OK.
    DialogRun Run(std::vector<int> tick, int button = IDOK, std::function<void(HWND)> inspect = nullptr)
    {
        DialogRun run;
        ModalBoxCatcher catcher(button);
        // The catcher presses the button again each time the dialog is
        // activated anew (after each error box closes), like an impatient
        // user; only the first activation is filled in.
        bool opened = false;
        catcher.OnDialog([&](HWND dialog) {
            if (opened || WindowText(dialog) != "関連付け")
                return;
            opened = true;
            for (int id : kBoxes)
                run.startedTicked.push_back(IsDlgButtonChecked(dialog, id) == BST_CHECKED);
            for (int id : tick)
                CheckDlgButton(dialog, id, BST_CHECKED);
            if (inspect)
                inspect(dialog);
        });
        run.result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ASSOCIATE), window,
                                     AssociationDialog, reinterpret_cast<LPARAM>(ProgramDir));
        PumpMessages();
        EXPECT_TRUE(opened);
        for (const SeenBox& box : catcher.Boxes())
            if (box.caption != "関連付け")
                run.messages.push_back(box);
        return run;
    }

    void ExpectNoKeys()
    {
        for (const auto& k : kAllKeys)
            EXPECT_FALSE(KeyExists(k.key)) << k.key;
    }

    char savedDir[kPathSize];
};

}  // namespace

TEST_F(AssociationDialogTest, TemplateHasItsTitleTextsAndLayout)
{
    // Control id (a DIALOG template keeps -1 as 0xFFFF), text, style type and
    // place in dialog units.
    const struct {
        int id;
        const char* text;
        LONG type;
        RECT units;   // x, y, width, height
    } controls[] = {
        {0xFFFF, "関連付けしたい拡張子にチェックしてください。", SS_LEFT, {7, 7, 132, 8}},
        {IDC_ASSOC_ESI, ".esi ファイル", BS_AUTOCHECKBOX, {50, 26, 51, 10}},
        {IDC_ASSOC_CNV, ".cnv ファイル", BS_AUTOCHECKBOX, {50, 43, 53, 10}},
        {IDC_ASSOC_ITM, ".itm ファイル", BS_AUTOCHECKBOX, {50, 61, 52, 10}},
        {IDOK, "OK", BS_DEFPUSHBUTTON, {17, 84, 50, 14}},
        {IDCANCEL, "ｷｬﾝｾﾙ", BS_PUSHBUTTON, {85, 84, 50, 14}},
    };
    std::vector<std::string> problems;
    DialogRun run = Run({}, IDCANCEL, [&](HWND dialog) {
        RECT size = {0, 0, 155, 105}, client;
        MapDialogRect(dialog, &size);
        GetClientRect(dialog, &client);
        if (!EqualRect(&size, &client))
            problems.push_back("client size");
        for (const auto& c : controls) {
            HWND control = GetDlgItem(dialog, c.id);
            RECT r = {}, expected = c.units;
            GetWindowRect(control, &r);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
            RECT actual = {r.left, r.top, r.right - r.left, r.bottom - r.top};
            MapDialogRect(dialog, &expected);
            if (!control || WindowText(control) != c.text || (GetWindowLongA(control, GWL_STYLE) & 0x0F) != c.type ||
                !EqualRect(&actual, &expected))
                problems.push_back(c.text);
        }
    });
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(problems.empty()) << problems.front();
}

TEST_F(AssociationDialogTest, WritesNothingUnlessABoxIsTickedAndConfirmed)
{
    DialogRun cancelled = Run({IDC_ASSOC_ESI, IDC_ASSOC_CNV, IDC_ASSOC_ITM}, IDCANCEL);
    EXPECT_EQ(cancelled.result, 0);
    EXPECT_EQ(cancelled.startedTicked, kUnticked);
    ExpectNoKeys();

    // The ticks of the cancelled opening are gone at the next one.
    DialogRun nothing = Run({});
    EXPECT_EQ(nothing.result, 0);
    EXPECT_EQ(nothing.startedTicked, kUnticked);
    EXPECT_TRUE(nothing.messages.empty());
    ExpectNoKeys();
}

TEST_F(AssociationDialogTest, TickingAllThreeWritesTheNineValuesAndAgainChangesNothing)
{
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        DialogRun run = Run({IDC_ASSOC_ESI, IDC_ASSOC_CNV, IDC_ASSOC_ITM});
        EXPECT_EQ(run.result, 0);
        EXPECT_EQ(run.startedTicked, kUnticked);
        EXPECT_TRUE(run.messages.empty());

        const std::string command = "C:\\zavik view\\\\zavik_view %1", icon = "C:\\zavik view\\\\zavik_view.exe,";
        ExpectDefault("ZavikESI\\shell\\open\\command", command);
        ExpectDefault(".esi", "ZavikESI");
        ExpectDefault("ZavikESI\\DefaultIcon", icon + "10");
        ExpectDefault("ZavikCNV\\shell\\open\\command", command);
        ExpectDefault(".cnv", "ZavikCNV");
        ExpectDefault("ZavikCNV\\DefaultIcon", icon + "11");
        ExpectDefault("ZavikITM\\shell\\open\\command", command);
        ExpectDefault(".itm", "ZavikITM");
        ExpectDefault("ZavikITM\\DefaultIcon", icon + "12");

        // Nothing but the default values and the keys that lead to them.
        for (const auto& k : kAllKeys) {
            HKEY handle = Open(k.key);
            DWORD subkeys = 99, values = 99;
            RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr);
            RegCloseKey(handle);
            EXPECT_EQ(subkeys, k.subkeys) << k.key;
            EXPECT_EQ(values, k.values) << k.key;
        }
    }
}

TEST_F(AssociationDialogTest, AKeyThatCannotBeCreatedStopsOnlyItsOwnKind)
{
    Create("ZavikESI\\DefaultIcon");   // painter: fails at the icon, step 3
    SetAccess("ZavikESI\\DefaultIcon", false);
    Create(".cnv");                    // canvas: fails at the extension, step 2
    SetAccess(".cnv", false);
    Create("ZavikITM", REG_OPTION_VOLATILE);   // item: fails at the open command, step 1
    DialogRun run = Run({IDC_ASSOC_ESI, IDC_ASSOC_CNV, IDC_ASSOC_ITM});
    EXPECT_EQ(run.result, 0);

    ASSERT_EQ(run.messages.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(run.messages[i].text, "RegCreateKeyExでエラーが発生しました" + std::to_string(3 - i));
        EXPECT_EQ(run.messages[i].caption, "Error");
        EXPECT_EQ(run.messages[i].owner, nullptr);
    }

    SetAccess("ZavikESI\\DefaultIcon", true);
    SetAccess(".cnv", true);
    ExpectDefault("ZavikESI\\shell\\open\\command", "C:\\zavik view\\\\zavik_view %1");
    ExpectDefault(".esi", "ZavikESI");
    EXPECT_FALSE(HasDefault("ZavikESI\\DefaultIcon"));

    // The class key and its command stay; no extension, no icon.
    ExpectDefault("ZavikCNV\\shell\\open\\command", "C:\\zavik view\\\\zavik_view %1");
    EXPECT_FALSE(HasDefault(".cnv"));
    EXPECT_FALSE(KeyExists("ZavikCNV\\DefaultIcon"));

    EXPECT_FALSE(KeyExists("ZavikITM\\shell"));
    EXPECT_FALSE(KeyExists(".itm"));
}
