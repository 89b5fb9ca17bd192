// What the portable core needs from the front end it runs under.
//
// The core never talks to a window system itself, and it keeps no front end
// of its own: whoever calls it hands it one, so that several documents can
// be open on several threads of one process, each answering to its own
// window (or to none). The Win32 program shows message boxes owned by the
// window that asked; the command-line tool prints to stderr; the page keeps
// the messages for its dialogs; the unit tests record every call.
//
// What an open changes in the view (a new layout, a new title) is not done
// through here: the open dispatch returns it (app/document.h, ViewChanges)
// and the front end acts on it once the open is over.
#pragma once

#include "image/messages.h"

// Whose box a message is: the front end's window's, or no window's (the
// colour separation and the file association show theirs standing alone).
enum class BoxOwner : bool { kNone = false, kWindow = true };

class FrontEnd {
public:
    // Tells the user something: a modal box with one OK button, showing the
    // message's caption and its text with `argument` (a path or a name,
    // spelled as the file system spells it; null: none) in its place. The
    // argument comes apart from the catalogue's code page 932 texts because
    // a front end that converts those to another encoding would garble a
    // name (UTF-8 on Linux, say) converted with them.
    virtual void ShowMessage(MessageId id, const char* argument, BoxOwner owner) = 0;

    // Sets the text of a control of the front end's window or dialog, when
    // it has one.
    virtual void SetControlText(int controlId, const char* text) = 0;

protected:
    // Never deleted through the core: each front end owns its own.
    ~FrontEnd() = default;
};

// Shows the messages in their order, each as ShowMessage shows one.
void ShowMessages(FrontEnd& ui, const MessageList& messages, BoxOwner owner);
