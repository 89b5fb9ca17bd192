// Which file a name stands for, whatever its spelling: another path to the
// same folder, a hard link, a symbolic link to it. Used to keep a command
// from writing its output over its own input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct FileIdentity {
    uint64_t device = 0;   // POSIX: st_dev; Windows: the volume's serial number
    uint64_t file = 0;     // POSIX: st_ino; Windows: the file index on the volume
    // A plain file or a folder. Only these are compared: a device, pipe or
    // socket is not a file an output could replace.
    bool plain = false;

    bool operator==(const FileIdentity& other) const
    {
        return device == other.device && file == other.file && plain == other.plain;
    }
};

struct FileIdentityHash {
    size_t operator()(const FileIdentity& id) const
    {
        return static_cast<size_t>(id.file * 0x9E3779B97F4A7C15ull ^ id.device);
    }
};

// The identity of what path names, links followed as opening it would
// follow them. False when nothing is there or it cannot be looked at.
bool IdentifyFile(const std::string& path, FileIdentity& identity);

// True when both names stand for one plain file or folder.
inline bool SameFile(const std::string& a, const std::string& b)
{
    FileIdentity first, second;
    return IdentifyFile(a, first) && IdentifyFile(b, second) && first.plain && first == second;
}
