#include "formats/standard/safe_output.h"

#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

#include "formats/standard/replace_file.h"
#include "image/sjis_text.h"

namespace {

TemporaryFileWatcher gWatcher = nullptr;
OutputTargets gTargets = OutputTargets::kFollowLinks;
OutputFailure gFailure;

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
        const std::string why = made ? std::string() : SystemErrorText();
        Watch(made ? TemporaryFileEvent::kCreated : TemporaryFileEvent::kNotCreated, temporary.c_str());
        if (made)
            return true;
        gFailure.systemText = why;
    }
    temporary.clear();
    return false;
}

// Notes why the save did not write and returns its result. The system's
// words are taken at once, before anything else can change them.
OutputResult Failed(OutputResult result, OutputFault fault)
{
    gFailure.fault = fault;
    gFailure.systemText = fault == OutputFault::kSystem || fault == OutputFault::kNotRestored ? SystemErrorText()
                                                                                               : std::string();
    return result;
}

// The end of an encoding: the encoder's own failure has no system error,
// one from a write to its stream has.
OutputResult EncodingFailed(std::FILE* stream)
{
    return Failed(OutputResult::kWriteFailed, std::ferror(stream) ? OutputFault::kSystem : OutputFault::kNone);
}

// A pipe or a device takes the bytes as they come: there is nothing to
// replace, and nothing to sync.
OutputResult WriteStream(const char* target, const std::function<bool(std::FILE*)>& encode)
{
    NewFile stream;
    if (!OpenStream(target, stream))
        return Failed(OutputResult::kCannotCreate, OutputFault::kSystem);
    ClearSystemError();
    OutputResult result = OutputResult::kWritten;
    if (!encode(stream.file))
        result = EncodingFailed(stream.file);
    else if (std::fflush(stream.file) != 0 || std::ferror(stream.file))
        result = Failed(OutputResult::kWriteFailed, OutputFault::kSystem);
    if (std::fclose(stream.file) != 0 && result == OutputResult::kWritten)
        result = Failed(OutputResult::kWriteFailed, OutputFault::kSystem);
    return result;
}

// The last resort for a target that may be written but has no folder that
// takes a new file beside it: the whole file is encoded in memory first,
// so that a failed encoding leaves the target untouched, and then written
// over the target (OverwriteFile keeps the old file whole on failure).
OutputResult WriteInPlace(const char* target, const std::function<bool(std::FILE*)>& encode)
{
    MemoryFile memory;
    if (!OpenMemoryFile(memory))
        return Failed(OutputResult::kCannotCreate, OutputFault::kSystem);
    ClearSystemError();
    const bool encoded = encode(memory.file);
    OutputResult result = OutputResult::kWritten;
    if (!CloseMemoryFile(memory) || !encoded) {
        result = Failed(OutputResult::kWriteFailed, OutputFault::kNone);
    } else {
        switch (OverwriteFile(target, memory.data, memory.size, gTargets == OutputTargets::kWithinFolder)) {
        case OverwriteResult::kWritten:
            break;
        case OverwriteResult::kRefused:
            result = Failed(OutputResult::kCannotCreate, OutputFault::kSystem);
            break;
        case OverwriteResult::kFailed:
            result = Failed(OutputResult::kWriteFailed, OutputFault::kSystem);
            break;
        case OverwriteResult::kDamaged:
            result = Failed(OutputResult::kWriteFailed, OutputFault::kNotRestored);
            break;
        }
    }
    FreeMemoryFile(memory);
    return result;
}

}  // namespace

void SetTemporaryFileWatcher(TemporaryFileWatcher watcher) { gWatcher = watcher; }

void SetOutputTargets(OutputTargets targets) { gTargets = targets; }

const OutputFailure& LastOutputFailure() { return gFailure; }

bool OutputIsStream(const char* target)
{
    return gTargets == OutputTargets::kFollowLinks && InspectTarget(target, true).stream;
}

OutputResult WriteSafely(const char* target, const std::function<bool(std::FILE*)>& encode)
{
    gFailure = OutputFailure{};
    gFailure.target = target;
    if (*target == '\0')
        return Failed(OutputResult::kCannotCreate, OutputFault::kNone);
    const bool follow = gTargets == OutputTargets::kFollowLinks;
    const TargetFile existing = InspectTarget(target, follow);
    // Never replaced: a rename over a pipe or a device would leave a plain
    // file where a reader or the system expects one.
    if (existing.exists && !existing.regular) {
        if (!follow)
            return Failed(OutputResult::kCannotCreate, OutputFault::kNotInFolder);
        if (existing.stream)
            return WriteStream(target, encode);
        return Failed(OutputResult::kCannotCreate, OutputFault::kSpecialFile);
    }
    // Refused as opening it for writing would be refused: a save does not
    // get round a read-only file by replacing it.
    if (existing.exists && !existing.writable)
        return Failed(OutputResult::kCannotCreate, OutputFault::kSystem);
    // Within its folder the name is the file; otherwise the file its links
    // lead to (which InspectTarget has already looked at).
    std::string path = target;
    if (follow && !ResolveTarget(target, path))
        return Failed(OutputResult::kCannotCreate, OutputFault::kSystem);

    std::string temporary;
    NewFile output;
    if (!CreateTemporary(path, temporary, output)) {
        if (existing.exists)
            return WriteInPlace(path.c_str(), encode);
        gFailure.fault = OutputFault::kSystem;   // CreateTemporary noted why
        return OutputResult::kCannotCreate;
    }
    ClearSystemError();
    OutputResult result = OutputResult::kWritten;
    if (!encode(output.file)) {
        result = EncodingFailed(output.file);
        FinishNewFile(output, temporary.c_str(), existing);
    } else if (!FinishNewFile(output, temporary.c_str(), existing) ||
               !ReplaceTargetFile(temporary.c_str(), path.c_str())) {
        result = Failed(OutputResult::kWriteFailed, OutputFault::kSystem);
    }
    if (result != OutputResult::kWritten)
        std::remove(temporary.c_str());
    Watch(TemporaryFileEvent::kGone, temporary.c_str());
    return result;
}
