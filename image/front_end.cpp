#include "image/front_end.h"

void ShowMessages(FrontEnd& ui, const MessageList& messages, BoxOwner owner)
{
    for (const Message& m : messages)
        ui.ShowMessage(m.id, m.argument.empty() ? nullptr : m.argument.c_str(), owner);
}
