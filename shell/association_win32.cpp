#include "shell/association_win32.h"

#include <cstring>

#include "image/window_front_end_win32.h"
#include "resources/resource.h"

bool WriteClassesRootDefault(const char* key, const char* value)
{
    static char noClass[] = "";
    HKEY handle = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, noClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &handle, &disposition) != ERROR_SUCCESS)
        return false;
    // A failed value write or close is not reported: the key exists, and the
    // user sees the result in the shell.
    RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(std::strlen(value) + 1));
    RegCloseKey(handle);
    return true;
}

int RegisterFileKind(FrontEnd& ui, FileKind kind, const char* programDir)
{
    return RegisterFileKindWith(ui, kind, programDir, WriteClassesRootDefault);
}

INT_PTR CALLBACK AssociationDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The program's folder comes as the parameter and stays with the dialog;
    // the initialisation still returns FALSE, as every other message does.
    if (message == WM_INITDIALOG)
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    // The error boxes have no owner, so the dialog stays enabled under them:
    // an OK or Cancel pressed meanwhile must neither register again nor end
    // the dialog while the kinds after the failed one are still to come.
    static bool registering = false;
    if (message != WM_COMMAND || registering)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK: {
        static const struct {
            int box;
            FileKind kind;
        } boxes[] = {
            {IDC_ASSOC_ESI, kPainterFileKind},
            {IDC_ASSOC_CNV, kCanvasFileKind},
            {IDC_ASSOC_ITM, kItemFileKind},
        };
        // Each kind has shown its own message when it failed; the others
        // are still registered.
        const char* programDir = reinterpret_cast<const char*>(GetWindowLongPtrA(dialog, DWLP_USER));
        WindowFrontEnd ui(dialog);
        registering = true;
        for (const auto& b : boxes)
            if (IsDlgButtonChecked(dialog, b.box) == BST_CHECKED)
                RegisterFileKind(ui, b.kind, programDir);
        registering = false;
        EndDialog(dialog, 0);
        return TRUE;
    }
    case IDCANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}
