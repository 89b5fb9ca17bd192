#include "app/main_window_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>

#include "app/command_line.h"
#include "app/document.h"
#include "image/window_front_end_win32.h"
#include "app/open_dispatch.h"
#include "app/zoom.h"
#include "colour/colour_dialogs_win32.h"
#include "formats/painter/painter_record.h"
#include "app/save_dialog_win32.h"
#include "image/offscreen_win32.h"
#include "profile/painter_dialog_win32.h"
#include "resources/resource.h"
#include "shell/association_win32.h"

HINSTANCE AppInstance;
char AppTitle[100];
char WindowClassName[100];
HWND StatusBar;
char ProgramDir[kPathSize];

namespace {

Document TheDocument;

}  // namespace

Document& ViewerDocument() { return TheDocument; }

namespace {

// Names longer than 259 bytes do not fit the path buffers; they are refused
// with a message instead of being cut to another file's name.
void ShowNameTooLong(HWND window)
{
    WindowFrontEnd(window).ShowMessage(MessageId::kFileNameTooLong, nullptr, BoxOwner::kWindow);
}

void PaintWindow(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    if (HDC back = MemoryDc(BackBuffer))
        BitBlt(dc, 0, 0, client.right, client.bottom, back, 0, 0, SRCCOPY);
    EndPaint(window, &ps);

    const Document& doc = ViewerDocument();
    char status[kStatusSize];
    FormatPaintStatus(status, doc.CurrentPainter.name, doc.Picture.width, doc.Picture.height);
    SendMessageA(StatusBar, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(status));
}

// Each dialog is handed what it works on as its parameter.
template <typename T>
LPARAM DialogParameter(T& value)
{
    return reinterpret_cast<LPARAM>(&value);
}

void ShowProperties(HWND window, Document& doc)
{
    switch (doc.kind) {
    case kStandardImage: {
        char text[kStatusSize];
        FormatSizeText(text, doc.Picture.width, doc.Picture.height);
        MessageBoxA(window, text, "画像のサイズ", MB_OK);
        break;
    }
    case kPainter:
        DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_PAINTER), window, PainterDialog,
                        DialogParameter(doc.CurrentPainter));
        break;
    case kPenItem:
    case kOtherItem:
        DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_USE_ITEM), window, UseItemDialog, DialogParameter(doc));
        break;
    default:
        break;   // nothing loaded, or a canvas: nothing to show
    }
}

LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    Document& doc = ViewerDocument();
    const int id = LOWORD(wParam);
    if (id >= kZoomFirstCommand && id <= kZoomLastCommand) {
        doc.ZoomFactor = ZoomFactorForCommand(id);
        LayoutView(window, doc);
        return 0;
    }
    ColourDialogDocument colours{doc.Picture, doc.AlphaMask, doc.Transparency};
    switch (id) {
    case IDM_OPEN:
        OpenWithDialog(window, doc);
        return 0;
    case IDM_SAVE:
        if (doc.PainterPath[0] == '\0' && doc.CanvasPath[0] == '\0' && doc.Picture.path[0] == '\0')
            WindowFrontEnd(window).ShowMessage(MessageId::kNothingToSave, nullptr, BoxOwner::kWindow);
        else
            SavePicture(window, doc);
        return 0;
    case IDM_PROPERTIES:
        ShowProperties(window, doc);
        return 0;
    case IDM_TRANSPARENCY:
        // The dialog always ends with 0: the view is laid out again after it.
        if (DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_TRANSPARENCY), window, TransparencyDialog,
                            DialogParameter(colours)) == 0)
            LayoutView(window, doc);
        return 0;
    case IDM_COLOURS:
        if (DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_COLOURS), window, PenBackgroundDialog,
                            DialogParameter(colours)) == 1)
            LayoutView(window, doc);
        return 0;
    case IDM_ASSOCIATE:
        // Its result is not used and nothing is redrawn.
        DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_ASSOCIATE), window, AssociationDialog,
                        reinterpret_cast<LPARAM>(ProgramDir));
        return 0;
    case IDM_ABOUT:
        DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_ABOUTBOX), window, AboutDialogProc, 0);
        return 0;
    case IDM_EXIT:
        DestroyWindow(window);
        return 0;
    default:
        return DefWindowProcA(window, WM_COMMAND, wParam, lParam);
    }
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        DragAcceptFiles(window, TRUE);
        ViewerDocument().ZoomFactor = 1.0f;
        InitCommonControls();
        StatusBar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | CCS_BOTTOM | SBARS_SIZEGRIP, "", window,
                                        IDC_STATUS_BAR);
        // The status text is set with part 255 (SB_SIMPLEID), which a status
        // bar shows only in simple mode.
        SendMessageA(StatusBar, SB_SIMPLE, TRUE, 0);
        CreateBackBuffer(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        SendMessageA(StatusBar, WM_SIZE, wParam, lParam);
        return 0;
    case WM_PAINT:
        PaintWindow(window);
        return 0;
    case WM_COMMAND:
        return OnCommand(window, wParam, lParam);
    case WM_INITMENUPOPUP:
        UpdateZoomChecks(window, reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_DROPFILES:
        OpenDroppedFile(window, reinterpret_cast<HDROP>(wParam));
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int UpdateZoomChecks(HWND, HMENU menu)
{
    for (int id = kZoomFirstCommand; id <= kZoomLastCommand; ++id)
        CheckMenuItem(menu, id, MF_BYCOMMAND | MF_UNCHECKED);
    if (int checked = CheckedZoomCommand(ViewerDocument().ZoomFactor))
        CheckMenuItem(menu, checked, MF_BYCOMMAND | MF_CHECKED);
    return 0;
}

int OpenDroppedFile(HWND window, HDROP drop)
{
    DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    char name[kPathSize] = {};
    UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    bool fits = length < kPathSize;
    if (fits)
        DragQueryFileA(drop, 0, name, kPathSize);
    DragFinish(drop);
    if (!fits) {
        ShowNameTooLong(window);
        return 0;
    }
    OpenInWindow(window, ViewerDocument(), name);
    return 0;
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int SetProgramDirectory(const char* commandLine)
{
    if (commandLine[0] == '\0') {
        GetCurrentDirectoryA(kPathSize, ProgramDir);
        return 0;
    }
    char argument[kPathSize];
    char whole[kPathSize];
    char program[kPathSize] = {};
    if (StripQuotes(argument, commandLine) && StripQuotes(whole, GetCommandLineA())) {
        std::memcpy(program, whole, ProgramPartLength(whole, argument));
    } else {
        // The whole line does not fit the buffers (a long folder and a long
        // file name do that soon in Japanese), but the program's own file
        // name does: its folder is the same one the line would have given.
        DWORD length = GetModuleFileNameA(nullptr, program, kPathSize);
        if (length == 0 || length >= kPathSize) {
            GetCurrentDirectoryA(kPathSize, ProgramDir);
            return 0;
        }
    }
    char full[kPathSize] = {};
    char* filePart = nullptr;
    DWORD length = GetFullPathNameA(program, kPathSize, full, &filePart);
    if (length == 0 || length >= kPathSize)
        return 0;
    size_t fileOffset = filePart ? static_cast<size_t>(filePart - full) : std::strlen(full);
    DirectoryOfFullPath(ProgramDir, full, fileOffset);
    SetCurrentDirectoryA(ProgramDir);
    return 0;
}

HWND CreateMainWindow(HINSTANCE instance, int showCommand)
{
    Document& doc = ViewerDocument();
    doc.PainterPath[0] = '\0';
    doc.CanvasPath[0] = '\0';
    doc.Picture.path[0] = '\0';
    doc.kind = kNone;

    LoadStringA(instance, IDS_APP_TITLE, AppTitle, sizeof AppTitle);
    LoadStringA(instance, IDC_ZAVIK_VIEW, WindowClassName, sizeof WindowClassName);

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ZAVIK_VIEW));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDC_ZAVIK_VIEW);
    wc.lpszClassName = WindowClassName;
    wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL));
    RegisterClassExA(&wc);

    AppInstance = instance;
    HWND window = CreateWindowExA(WS_EX_ACCEPTFILES, WindowClassName, AppTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  0, 400, 300, nullptr, nullptr, instance, nullptr);
    if (!window)
        return nullptr;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return window;
}

int RunViewer(HINSTANCE instance, const char* commandLine, int showCommand)
{
    HWND window = CreateMainWindow(instance, showCommand);
    if (!window)
        return 0;
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_ZAVIK_VIEW));
    SetProgramDirectory(commandLine);
    if (commandLine[0] != '\0') {
        char name[kPathSize];
        if (StripQuotes(name, commandLine))
            OpenInWindow(window, ViewerDocument(), name);
        else
            ShowNameTooLong(window);
    }
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
