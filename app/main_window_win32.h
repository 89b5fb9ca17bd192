// The main window: start-up, the window class and procedure, the menu
// commands, the zoom check marks, dropped files and the About box.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include "app/document.h"
#include "image/offscreen_win32.h"

// Program-wide values of the main window.
extern HINSTANCE AppInstance;
extern char AppTitle[100];
extern char WindowClassName[100];
extern HWND StatusBar;

// The program's folder, set at start-up (SetProgramDirectory) and registered
// as the opener of the painter-program file kinds.
extern char ProgramDir[kPathSize];

// The viewer's one document, from start-up to exit: the main window's
// commands, its view and its dialogs all work on it.
Document& ViewerDocument();

// Start-up steps 1 to 4: clears the document, loads the two strings,
// registers the class and creates the 400 x 300 main window (shown with
// showCommand). Returns the window, or null when it cannot be created.
HWND CreateMainWindow(HINSTANCE instance, int showCommand);

// The whole program: start-up, the command-line file, the message loop.
int RunViewer(HINSTANCE instance, const char* commandLine, int showCommand);

int SetProgramDirectory(const char* commandLine);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int UpdateZoomChecks(HWND window, HMENU menu);
int OpenDroppedFile(HWND window, HDROP drop);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The view (view_win32.cpp) and the Open command (open_dialog_win32.cpp).
// The back buffer holds the view as last laid out; WM_PAINT copies it.
extern Offscreen BackBuffer;
int CreateBackBuffer(HWND window);
int OpenWithDialog(HWND window, Document& doc);
