// The command-line tool's platform: messages go to stderr as UTF-8; there is
// no window, so titles, controls and the view layout have nothing to do.
#include "app/platform.h"
#include "cli/text_output.h"

void ShowMessage(WindowHandle, const char* text, const char* caption)
{
    PrintCp932(stderr, caption);
    std::fputs(": ", stderr);
    PrintCp932(stderr, text);
    std::fputc('\n', stderr);
}

void SetWindowTitle(WindowHandle, const char*) {}
void SetControlText(WindowHandle, int, const char*) {}
void LayoutView(WindowHandle) {}
