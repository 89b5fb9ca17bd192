// The painter characteristics dialog (dialog 117) and the use-item dialog
// (dialog 119): the dialog procedures the Properties command runs.
#pragma once

#include <windows.h>

INT_PTR CALLBACK PainterDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ShowPainterFields(HWND dialog);
void ShowMemo(HWND dialog);
void StoreMemo(HWND dialog);
void DiagnosePainter(HWND dialog);

INT_PTR CALLBACK UseItemDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
