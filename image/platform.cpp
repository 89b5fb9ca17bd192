#include "image/platform.h"

void ShowMessages(WindowHandle owner, const MessageList& messages)
{
    for (const Message& m : messages)
        ShowMessage(owner, m.id, m.argument.empty() ? nullptr : m.argument.c_str());
}
