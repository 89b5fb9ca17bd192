// The real zavik_view.exe, started as a user starts it: its window, its
// command-line file, its exit code and its icons.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/temp_files.h"

namespace {

std::string ViewerPath()
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path(exe);
    return path.substr(0, path.rfind('\\') + 1) + "zavik_view.exe";
}

std::string Text(HWND window)
{
    char buffer[1024] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

struct FindData {
    DWORD process;
    const char* className;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM lParam)
{
    auto* data = reinterpret_cast<FindData*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (process == data->process && lstrcmpA(className, data->className) == 0 && IsWindowVisible(window)) {
        data->found = window;
        return FALSE;
    }
    return TRUE;
}

// Waits (up to 20 s by default) for a visible top-level window of the process.
HWND WaitForWindow(DWORD process, const char* className, int tries = 400)
{
    for (int i = 0; i < tries; ++i) {
        FindData data = {process, className, nullptr};
        EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&data));
        if (data.found)
            return data.found;
        Sleep(50);
    }
    return nullptr;
}

class Viewer {
public:
    // A whole command line, as the shell starts a registered opener.
    struct CommandLine {
        std::string text;
    };
    explicit Viewer(const std::string& arguments)
        : Viewer(CommandLine{"\"" + ViewerPath() + "\"" + (arguments.empty() ? "" : " " + arguments)})
    {
    }
    explicit Viewer(const CommandLine& commandLine)
    {
        const std::string& line = commandLine.text;
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        started = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info) != 0;
    }
    ~Viewer()
    {
        if (!started)
            return;
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info.hProcess, 99);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }

    // Closes the window as the user does and returns the exit code.
    DWORD Close(HWND window)
    {
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(info.hProcess, 20000) != WAIT_OBJECT_0)
            return 0xDEAD;
        DWORD code = 0xDEAD;
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }

    bool started = false;
    PROCESS_INFORMATION info = {};
};

BOOL CALLBACK CollectResourceId(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    reinterpret_cast<std::vector<UINT_PTR>*>(param)->push_back(reinterpret_cast<UINT_PTR>(name));
    return TRUE;
}

}  // namespace

TEST(Viewer, StartsWithItsWindowAndExitsWithZero)
{
    Viewer viewer("");
    ASSERT_TRUE(viewer.started);
    HWND window = WaitForWindow(viewer.info.dwProcessId, "ZAVIK_VIEW");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Text(window), "zavik view");
    EXPECT_NE(GetMenu(window), nullptr);
    EXPECT_EQ(viewer.Close(window), 0u);
}

TEST(Viewer, OpensTheFileOfAQuotedCommandLineWithABlank)
{
    TempDir dir;
    std::string path = dir.Path("a sample with blanks.jpg");
    ASSERT_TRUE(CopyFileA(ZAVIK_SAMPLES "/landscape.jpg", path.c_str(), FALSE));
    Viewer viewer("\"" + path + "\"");
    ASSERT_TRUE(viewer.started);
    HWND window = WaitForWindow(viewer.info.dwProcessId, "ZAVIK_VIEW");
    ASSERT_NE(window, nullptr);
    std::string expected = path + "（絵師：－－） - zavik view";
    for (int wait = 0; wait < 250 && Text(window) != expected; ++wait)
        Sleep(20);
    EXPECT_EQ(Text(window), expected);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 640);   // fitted to the 640 x 480 picture
    EXPECT_EQ(client.bottom, 480 + 20);
    EXPECT_EQ(WaitForWindow(viewer.info.dwProcessId, "#32770", 10), nullptr);   // no failure box
    EXPECT_EQ(viewer.Close(window), 0u);
}

// Started from another folder with a name relative to the program's folder:
// the file is found there, also when the whole command line is longer than
// the 260-byte buffers (the program's folder then comes from its own file
// name) while the file's full name still fits them.
TEST(Viewer, OpensARelativeNameFromTheProgramFolder)
{
    const std::string folder = ViewerPath().substr(0, ViewerPath().rfind('\\') + 1);
    if (folder.size() > 200)
        GTEST_SKIP() << "the program's folder leaves no room for a long name";
    const std::string longName = std::string(254 - folder.size() - 4, 'n') + ".jpg";   // full name: 254 bytes
    for (const std::string& name : {std::string("rel.jpg"), longName}) {
        SCOPED_TRACE(name.size());
        const std::string beside = folder + name;
        ASSERT_TRUE(CopyFileA(ZAVIK_SAMPLES "/landscape.jpg", beside.c_str(), FALSE));
        TempDir elsewhere;
        char before[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, before);
        SetCurrentDirectoryA(elsewhere.Path("").c_str());
        Viewer viewer("\"" + name + "\"");
        SetCurrentDirectoryA(before);
        ASSERT_TRUE(viewer.started);
        HWND window = WaitForWindow(viewer.info.dwProcessId, "ZAVIK_VIEW");
        ASSERT_NE(window, nullptr);
        RECT client = {};
        for (int wait = 0; wait < 250 && client.right != 640; ++wait) {
            Sleep(20);
            GetClientRect(window, &client);
        }
        EXPECT_EQ(client.right, 640);   // fitted to the 640 x 480 picture
        EXPECT_EQ(WaitForWindow(viewer.info.dwProcessId, "#32770", 10), nullptr);   // no failure box
        EXPECT_EQ(viewer.Close(window), 0u);
        DeleteFileA(beside.c_str());
    }
}

TEST(Viewer, ShowsItsBoxesForAFileItCannotRead)
{
    TempDir dir;
    std::string path = dir.Write("notes with blanks.dat", "not a picture");
    Viewer viewer("\"" + path + "\"");
    ASSERT_TRUE(viewer.started);
    std::vector<std::string> captions;
    for (int i = 0; i < 2; ++i) {
        HWND box = WaitForWindow(viewer.info.dwProcessId, "#32770");
        ASSERT_NE(box, nullptr) << "box " << i;
        captions.push_back(Text(box));
        SendMessageA(box, WM_COMMAND, IDOK, 0);
        for (int wait = 0; wait < 100 && IsWindow(box); ++wait)
            Sleep(20);
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"失敗", "失敗"}));
    HWND window = WaitForWindow(viewer.info.dwProcessId, "ZAVIK_VIEW");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(viewer.Close(window), 0u);
}

TEST(Viewer, CarriesThirteenIconGroupsWithTheDocumentIconsAtTenToTwelve)
{
    std::string exe = ViewerPath();
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(ExtractIconA(GetModuleHandleA(nullptr), exe.c_str(), UINT(-1))), 13u);
    for (UINT index = 10; index <= 12; ++index) {
        HICON icon = ExtractIconA(GetModuleHandleA(nullptr), exe.c_str(), index);
        EXPECT_NE(icon, nullptr) << index;
        if (icon)
            DestroyIcon(icon);
    }
    // The groups in resource order: the document icons are ids 120 to 122.
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    std::vector<UINT_PTR> ids;
    EnumResourceNamesA(module, reinterpret_cast<LPCSTR>(RT_GROUP_ICON), CollectResourceId, reinterpret_cast<LONG_PTR>(&ids));
    FreeLibrary(module);
    ASSERT_EQ(ids.size(), 13u);
    EXPECT_EQ(ids[0], 107u);
    EXPECT_EQ(ids[1], 108u);
    EXPECT_EQ(ids[10], 120u);
    EXPECT_EQ(ids[11], 121u);
    EXPECT_EQ(ids[12], 122u);
}

namespace {

// The painter kind's keys are absent before and after the test, whatever
// it stops at.
struct PainterAssociationRemoved {
    PainterAssociationRemoved() { Remove(); }
    ~PainterAssociationRemoved() { Remove(); }
    static void Remove()
    {
        for (const char* key : {"ZavikESI\\shell\\open\\command", "ZavikESI\\shell\\open", "ZavikESI\\shell",
                                "ZavikESI\\DefaultIcon", "ZavikESI", ".esi"})
            RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
    }
};

std::string RegisteredDefault(const char* key)
{
    char value[1024] = {};
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key, value, &size) != ERROR_SUCCESS)
        return "<none>";
    return value;
}

}  // namespace

TEST(Viewer, OpensAFileStartedTheWayItsRegisteredOpenCommandSays)
{
    PainterAssociationRemoved clean;
    TempDir dir;
    std::string first = dir.Path("first.jpg");
    std::string second = dir.Path("opened by the shell.jpg");
    ASSERT_TRUE(CopyFileA(ZAVIK_SAMPLES "/landscape.jpg", first.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(ZAVIK_SAMPLES "/landscape.jpg", second.c_str(), FALSE));

    {
        // Started with a file, so its program directory is its own folder.
        Viewer viewer("\"" + first + "\"");
        ASSERT_TRUE(viewer.started);
        HWND window = WaitForWindow(viewer.info.dwProcessId, "ZAVIK_VIEW");
        ASSERT_NE(window, nullptr);
        PostMessageA(window, WM_COMMAND, IDM_ASSOCIATE, 0);
        HWND dialog = WaitForWindow(viewer.info.dwProcessId, "#32770");
        ASSERT_NE(dialog, nullptr) << "command " << IDM_ASSOCIATE << " opened no dialog";
        EXPECT_EQ(Text(dialog), "関連付け");
        SendDlgItemMessageA(dialog, IDC_ASSOC_ESI, BM_SETCHECK, BST_CHECKED, 0);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        for (int wait = 0; wait < 250 && IsWindow(dialog); ++wait)
            Sleep(20);
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_EQ(viewer.Close(window), 0u);
    }

    // The shell finds the painter icon through the registered value.
    std::string exe = ViewerPath();
    std::string programDir = exe.substr(0, exe.rfind('\\') + 1);
    std::string icon = RegisteredDefault("ZavikESI\\DefaultIcon");
    ASSERT_EQ(icon, programDir + "\\zavik_view.exe,10");
    HICON painterIcon = ExtractIconA(GetModuleHandleA(nullptr), icon.substr(0, icon.rfind(',')).c_str(), 10);
    EXPECT_NE(painterIcon, nullptr);
    if (painterIcon)
        DestroyIcon(painterIcon);

    std::string command = RegisteredDefault("ZavikESI\\shell\\open\\command");
    EXPECT_EQ(command, programDir + "\\zavik_view %1");
    size_t placeholder = command.find("%1");
    ASSERT_NE(placeholder, std::string::npos);
    command.replace(placeholder, 2, second);

    Viewer opened(Viewer::CommandLine{command});
    ASSERT_TRUE(opened.started) << command;
    HWND window = WaitForWindow(opened.info.dwProcessId, "ZAVIK_VIEW");
    ASSERT_NE(window, nullptr);
    std::string expected = second + "（絵師：－－） - zavik view";
    for (int wait = 0; wait < 250 && Text(window) != expected; ++wait)
        Sleep(20);
    EXPECT_EQ(Text(window), expected);
    EXPECT_EQ(opened.Close(window), 0u);
}
