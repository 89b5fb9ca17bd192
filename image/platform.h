// What the portable core needs from the platform it runs on.
//
// The core never talks to a window system itself. Each front end links
// exactly one implementation of these functions: the Win32 program shows
// message boxes and draws; the command-line tool prints to stderr; the unit
// tests record every call. Window handles are opaque to the core. The view's
// own call, which needs the document, is declared with the view
// (app/view_layout.h).
#pragma once

#include <vector>

using WindowHandle = void*;

// Tells the user something: a modal box with one OK button, `text` and
// `caption` in code page 932, owned by `owner` (null: no owner).
void ShowMessage(WindowHandle owner, const char* text, const char* caption);

// As ShowMessage, for a text that names a file: the box shows `text` (code
// page 932) followed by `path`, spelled as the file system spells it. They
// come separately because only the text is code page 932: a front end that
// converts texts to another encoding would garble a name (UTF-8 on Linux,
// say) that it converted with them.
void ShowPathMessage(WindowHandle owner, const char* text, const char* path, const char* caption);

// Sets the text of the window's title bar.
void SetWindowTitle(WindowHandle window, const char* title);

// Sets the text of a control of a window or dialog, when it has one.
void SetControlText(WindowHandle window, int controlId, const char* text);

// A message a decoder would show, in the order it would show it. Texts and
// captions are string literals (code page 932).
struct Message {
    const char* text;
    const char* caption;
};
using MessageList = std::vector<Message>;

// Shows the messages in their order, each as ShowMessage shows one.
void ShowMessages(WindowHandle owner, const MessageList& messages);
