#include "tests/support/recording_platform.h"

#include <cstdio>

#include "app/view_layout.h"

RecordedCalls& Recorded()
{
    static RecordedCalls calls;
    return calls;
}

void ClearRecordedCalls() { Recorded() = RecordedCalls(); }

void ShowMessage(WindowHandle owner, const char* text, const char* caption)
{
    Recorded().messages.push_back({owner, text, caption});
}

// Recorded as the box shows it.
void ShowPathMessage(WindowHandle owner, const char* text, const char* path, const char* caption)
{
    Recorded().messages.push_back({owner, std::string(text) + path, caption});
}

void SetWindowTitle(WindowHandle, const char* title) { Recorded().titles.push_back(title); }

void SetControlText(WindowHandle, int controlId, const char* text)
{
    Recorded().controlTexts.emplace_back(controlId, text);
}

void LayoutView(WindowHandle, Document&) { ++Recorded().layouts; }
