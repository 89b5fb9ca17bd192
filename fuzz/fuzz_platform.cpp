// The fuzz binaries' platform: nothing is shown, but every text the core
// hands over is measured, so that an unterminated one shows under the
// address sanitizer.
#include <cstring>

#include "app/view_layout.h"
#include "image/platform.h"

namespace {

void Measure(const char* text)
{
    volatile size_t length = text ? std::strlen(text) : 0;
    (void)length;
}

}  // namespace

void ShowMessage(WindowHandle, MessageId id, const char* argument)
{
    Measure(TextOfMessage(id).before);
    Measure(argument);
}

void SetWindowTitle(WindowHandle, const char* title) { Measure(title); }
void SetControlText(WindowHandle, int, const char* text) { Measure(text); }
void LayoutView(WindowHandle, Document&) {}
