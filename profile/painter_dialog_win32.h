// The painter characteristics dialog (dialog 117) and the use-item dialog
// (dialog 119): the dialog procedures the Properties command runs.
#pragma once

#include <windows.h>

#include "formats/painter/painter_record.h"

// The painter dialog's parameter is the PainterRecord it shows (and whose
// memo it stores), the use-item dialog's the Document whose item it reads
// again; each must outlive its dialog.
INT_PTR CALLBACK PainterDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ShowPainterFields(HWND dialog, const PainterRecord& painter);
void ShowMemo(HWND dialog, const PainterRecord& painter);
void StoreMemo(HWND dialog, PainterRecord& painter);
void DiagnosePainter(HWND dialog, const PainterRecord& painter);

INT_PTR CALLBACK UseItemDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
