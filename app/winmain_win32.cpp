// Entry point of zavik_view.exe.
#include <windows.h>

#include "app/main_window_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    return RunViewer(instance, commandLine ? commandLine : "", showCommand);
}
