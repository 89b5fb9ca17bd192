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

// Lays the view out again after the document changed: composes its Picture
// with its transparency state, draws it, fits the window around it and
// shows the painter's name in the status bar: the document's, or after an
// open the one the open laid out with (ViewChanges::layoutPainterName).
void LayoutView(HWND window, Document& doc);
void LayoutView(HWND window, Document& doc, const char* painterName);

// Acts on what an open changed, in the order the open asks for them: lays
// the view out, then sets the window's title.
void ShowViewChanges(HWND window, Document& doc, const ViewChanges& changes);

// The open by content for the main window (a drop, the command line):
// Read_ESI_CNV with its boxes owned by window, then its changes shown.
// Read_ESI_CNV's result.
int OpenInWindow(HWND window, Document& doc, const char* path);
int OpenWithDialog(HWND window, Document& doc);
