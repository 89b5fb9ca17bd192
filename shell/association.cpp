#include "shell/association.h"

#include <cstdio>
#include <cstring>

const FileKindEntry kFileKinds[kFileKindCount] = {
    {"ZavikESI", ".esi", "ZavikESI\\shell\\open\\command", "ZavikESI\\DefaultIcon", 10},
    {"ZavikCNV", ".cnv", "ZavikCNV\\shell\\open\\command", "ZavikCNV\\DefaultIcon", 11},
    {"ZavikITM", ".itm", "ZavikITM\\shell\\open\\command", "ZavikITM\\DefaultIcon", 12},
};

int ComposeAssociationValues(AssociationValues& out, FileKind kind, const char* programDir)
{
    std::memset(&out, 0, sizeof out);
    // The directory is a path-sized text; one without its zero within
    // kPathSize bytes cannot take a suffix anyway.
    const void* end = std::memchr(programDir, '\0', kPathSize);
    if (!end)
        return kAssociationTooLong;
    const int dirLength = static_cast<int>(static_cast<const char*>(end) - programDir);

    // The open command has no extension and no quotes: the shell puts the
    // file's path in place of %1 and the program takes the rest of its
    // command line as the name.
    int command = std::snprintf(out.command, sizeof out.command, "%.*s\\zavik_view %%1", dirLength, programDir);
    int icon = std::snprintf(out.icon, sizeof out.icon, "%.*s\\zavik_view.exe,%d", dirLength, programDir,
                             kFileKinds[kind].iconIndex);
    if (command < 0 || command >= kPathSize || icon < 0 || icon >= kPathSize) {
        std::memset(&out, 0, sizeof out);
        return kAssociationTooLong;
    }
    return kAssociationOk;
}

int RegisterFileKindWith(FrontEnd& ui, FileKind kind, const char* programDir, KeyValueWriter write)
{
    const FileKindEntry& entry = kFileKinds[kind];
    AssociationValues values;
    if (ComposeAssociationValues(values, kind, programDir) != kAssociationOk) {
        ui.ShowMessage(MessageId::kAssociationFolderTooLong, entry.extension, BoxOwner::kNone);
        return kAssociationTooLong;
    }

    const struct {
        const char* key;
        const char* value;
        MessageId failure;
    } writes[] = {
        {entry.commandKey, values.command, MessageId::kAssociationKey1Failed},
        {entry.extension, entry.className, MessageId::kAssociationKey2Failed},
        {entry.iconKey, values.icon, MessageId::kAssociationKey3Failed},
    };
    for (const auto& w : writes) {
        if (!write(w.key, w.value)) {
            ui.ShowMessage(w.failure, nullptr, BoxOwner::kNone);
            return kAssociationKeyFailed;
        }
    }
    return kAssociationOk;
}
