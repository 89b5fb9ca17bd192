// What the portable core needs from the platform it runs on.
//
// The core never talks to a window system itself. Each front end links
// exactly one implementation of these functions: the Win32 program shows
// message boxes and draws; the command-line tool prints to stderr; the unit
// tests record every call. Window handles are opaque to the core. The view's
// own call, which needs the document, is declared with the view
// (app/view_layout.h).
#pragma once

#include "image/messages.h"

using WindowHandle = void*;

// Tells the user something: a modal box with one OK button, owned by
// `owner` (null: no owner), showing the message's caption and its text with
// `argument` (a path or a name, spelled as the file system spells it; null:
// none) in its place. The argument comes apart from the catalogue's code
// page 932 texts because a front end that converts those to another
// encoding would garble a name (UTF-8 on Linux, say) converted with them.
void ShowMessage(WindowHandle owner, MessageId id, const char* argument = nullptr);

// Sets the text of the window's title bar.
void SetWindowTitle(WindowHandle window, const char* title);

// Sets the text of a control of a window or dialog, when it has one.
void SetControlText(WindowHandle window, int controlId, const char* text);

// Shows the messages in their order, each as ShowMessage shows one.
void ShowMessages(WindowHandle owner, const MessageList& messages);
