// The three painter-program file kinds the program registers itself for
// with the desktop shell, and the registry values it writes for each. The
// values are composed from the program directory; the registry itself is
// reached through a writer passed in, so that the order of the writes and
// the messages of a failed kind are the same on every platform.
#pragma once

#include "image/front_end.h"
#include "image/raster_image.h"   // kPathSize

enum FileKind {
    kPainterFileKind = 0,   // .esi
    kCanvasFileKind = 1,    // .cnv
    kItemFileKind = 2,      // .itm
};
constexpr int kFileKindCount = 3;

// The keys of one kind under the classes root.
struct FileKindEntry {
    const char* className;    // "ZavikESI": the extension key's value
    const char* extension;    // ".esi"
    const char* commandKey;   // "ZavikESI\shell\open\command"
    const char* iconKey;      // "ZavikESI\DefaultIcon"
    int iconIndex;            // position of the document icon among the executable's icon groups
};

// Indexed by FileKind.
extern const FileKindEntry kFileKinds[kFileKindCount];

// The two composed default values of one kind, each in a path-sized text.
struct AssociationValues {
    char command[kPathSize];   // programDir + "\zavik_view %1"
    char icon[kPathSize];      // programDir + "\zavik_view.exe," + icon index
};

// Results of ComposeAssociationValues and RegisterFileKindWith.
constexpr int kAssociationOk = 0;
constexpr int kAssociationKeyFailed = -1;   // a key could not be created
constexpr int kAssociationTooLong = -2;     // a value would not fit in kPathSize bytes

// Composes both values from programDir as it is: a directory that ends in a
// backslash gives a doubled one before "zavik_view". When either value
// would not fit, both texts are left empty and kAssociationTooLong is
// returned; a cut path would register an opener that does not exist.
int ComposeAssociationValues(AssociationValues& out, FileKind kind, const char* programDir);

// Creates or opens `key` under the classes root and sets its default value
// to `value` (a zero-terminated text). Returns false when the key cannot be
// created; whether the value itself was stored is not reported.
using KeyValueWriter = bool (*)(const char* key, const char* value);

// The three writes of one kind, in this order: the open command, the
// extension, the icon. The first key that cannot be created stops the kind
// with the numbered message "RegCreateKeyExでエラーが発生しました1", 2 or 3
// (caption "Error", no owner) and kAssociationKeyFailed; the keys written
// before it stay. A program directory too long for the values writes
// nothing, shows its own message and returns kAssociationTooLong.
int RegisterFileKindWith(FrontEnd& ui, FileKind kind, const char* programDir, KeyValueWriter write);
