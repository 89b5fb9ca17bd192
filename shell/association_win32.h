// File associations on Win32: the registry writer under HKEY_CLASSES_ROOT
// and the procedure of dialog 112 (関連付け), which the main window runs
// modally from its "ファイルの関連付けをする" command.
#pragma once

#include <windows.h>

#include "image/front_end.h"
#include "shell/association.h"

// Registers the program as the opener of one kind, with its values built
// from programDir, the program's folder; its boxes stand alone, as ui
// shows boxes of no window's. Results as RegisterFileKindWith:
// kAssociationOk, kAssociationKeyFailed (at the first key that cannot be
// created, after its message), kAssociationTooLong.
int RegisterFileKind(FrontEnd& ui, FileKind kind, const char* programDir);

// The writer RegisterFileKind uses: RegCreateKeyExA under the classes root,
// then the key's default value as REG_SZ with its terminating zero counted.
bool WriteClassesRootDefault(const char* key, const char* value);

// Dialog 112; its parameter is the program's folder (a char array that
// outlives the dialog). OK registers each ticked kind (.esi, .cnv, .itm in
// that order, a failed kind not stopping the next) and ends the dialog with 0;
// Cancel ends it with 0. Every other message returns FALSE, the
// initialisation included, so the boxes start as the template has them:
// unticked. OK and Cancel are ignored while a registration's message box
// is up.
INT_PTR CALLBACK AssociationDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
