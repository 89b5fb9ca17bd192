#include "formats/standard/safe_output.h"

#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

#include "formats/standard/replace_file.h"
#include "image/sjis_text.h"

namespace {

TemporaryFileWatcher gWatcher = nullptr;

void Watch(TemporaryFileEvent event, const char* temporary)
{
    if (gWatcher)
        gWatcher(event, temporary);
}

// The folder part of a path, with its separator ("" for a bare name), so
// that the temporary file lands beside the target.
std::string FolderPrefix(const std::string& path)
{
#ifdef _WIN32
    // Code page 932 trail bytes include '\\', so a character at a time.
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsSjisLeadByte(c)) {
            ++i;
        } else if (c == '\\' || c == '/' || c == ':') {
            start = i + 1;
        }
    }
    return path.substr(0, start);
#else
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
#endif
}

// A new file in the target's folder under a short name of its own, so that
// a target whose name is as long as the file system allows still has room
// for it. False (nothing created) when the folder does not take a new file.
bool CreateTemporary(const std::string& target, std::string& temporary, NewFile& created)
{
    const std::string folder = FolderPrefix(target);
    // The name only has to be new; CreateNewFile refuses one that exists.
    // Batch workers are forked copies with the same counter and clock, so
    // the target's name is mixed in to keep their sequences apart.
    static uint32_t counter = 0;
    uint32_t state = static_cast<uint32_t>(std::time(nullptr)) * 2654435761u ^ static_cast<uint32_t>(std::clock());
    for (const char c : target)
        state = (state ^ static_cast<unsigned char>(c)) * 16777619u;
    for (int attempt = 0; attempt < 32; ++attempt) {
        state = (state ^ ++counter) * 2246822519u;
        state ^= state >> 15;
        char name[32];
        std::snprintf(name, sizeof name, ".zvk%06x.tmp", static_cast<unsigned>(state & 0xFFFFFFu));
        temporary = folder + name;
        Watch(TemporaryFileEvent::kCreating, temporary.c_str());
        const bool made = CreateNewFile(temporary.c_str(), created);
        Watch(made ? TemporaryFileEvent::kCreated : TemporaryFileEvent::kNotCreated, temporary.c_str());
        if (made)
            return true;
    }
    temporary.clear();
    return false;
}

// The last resort for a target that may be written but has no folder that
// takes a new file beside it: the whole file is encoded in memory first,
// so that a failed encoding leaves the target untouched, and then written
// over the target.
OutputResult WriteInPlace(const char* target, const std::function<bool(std::FILE*)>& encode)
{
    MemoryFile memory;
    if (!OpenMemoryFile(memory))
        return OutputResult::kCannotCreate;
    const bool encoded = encode(memory.file);
    const bool collected = CloseMemoryFile(memory);
    const bool written = encoded && collected && OverwriteFile(target, memory.data, memory.size);
    FreeMemoryFile(memory);
    return written ? OutputResult::kWritten : OutputResult::kWriteFailed;
}

}  // namespace

void SetTemporaryFileWatcher(TemporaryFileWatcher watcher) { gWatcher = watcher; }

OutputResult WriteSafely(const char* target, const std::function<bool(std::FILE*)>& encode)
{
    std::string path;
    if (*target == '\0' || !ResolveTarget(target, path))
        return OutputResult::kCannotCreate;
    const TargetFile existing = InspectTarget(path.c_str());
    // Refused as opening it for writing would be refused: a save does not
    // get round a read-only file by replacing it.
    if (existing.exists && !existing.writable)
        return OutputResult::kCannotCreate;

    std::string temporary;
    NewFile output;
    if (!CreateTemporary(path, temporary, output)) {
        if (existing.exists && existing.regular)
            return WriteInPlace(path.c_str(), encode);
        return OutputResult::kCannotCreate;
    }
    bool ok = encode(output.file);
    if (!FinishNewFile(output, temporary.c_str(), existing))
        ok = false;
    if (ok && !ReplaceTargetFile(temporary.c_str(), path.c_str()))
        ok = false;
    if (!ok)
        std::remove(temporary.c_str());
    Watch(TemporaryFileEvent::kGone, temporary.c_str());
    return ok ? OutputResult::kWritten : OutputResult::kWriteFailed;
}
