#include "tests/support/recording_platform.h"

#include <cstdio>

#include "app/view_layout.h"

RecordedCalls& Recorded()
{
    static RecordedCalls calls;
    return calls;
}

void ClearRecordedCalls() { Recorded() = RecordedCalls(); }

// Recorded as the box shows it.
void ShowMessage(WindowHandle owner, MessageId id, const char* argument)
{
    Recorded().messages.push_back({owner, Cp932MessageText(id, argument), TextOfMessage(id).caption});
}

void SetWindowTitle(WindowHandle, const char* title) { Recorded().titles.push_back(title); }

void SetControlText(WindowHandle, int controlId, const char* text)
{
    Recorded().controlTexts.emplace_back(controlId, text);
}

void LayoutView(WindowHandle, Document&) { ++Recorded().layouts; }
