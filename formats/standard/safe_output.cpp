#include "formats/standard/safe_output.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

#include "formats/standard/replace_file.h"
#include "image/sjis_text.h"

namespace {

// True when the save may go on (no watcher, or the watcher lets it).
bool Watch(const SaveCall& call, TemporaryFileEvent event, const char* name)
{
    return !call.watcher || call.watcher->Follow(event, name);
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

// How the making of a temporary file ended.
enum class Temporary { kMade, kFolderRefused, kStopped };

// A new file in the target's folder under a short name of its own, so that
// a target whose name is as long as the file system allows still has room
// for it. kFolderRefused (nothing created) when the folder does not take a
// new file, kStopped when the watcher stopped the save.
Temporary CreateTemporary(const std::string& target, std::string& temporary, NewFile& created, SaveCall& call)
{
    const std::string folder = FolderPrefix(target);
    // The name only has to be new; CreateNewFile refuses one that exists.
    // Saves on other threads, and in other processes started in the same
    // second, run the same sequence: the counter is shared by the threads
    // and the target's name is mixed in to keep the sequences apart.
    static std::atomic<uint32_t> counter{0};
    uint32_t state = static_cast<uint32_t>(std::time(nullptr)) * 2654435761u ^ static_cast<uint32_t>(std::clock());
    for (const char c : target)
        state = (state ^ static_cast<unsigned char>(c)) * 16777619u;
    for (int attempt = 0; attempt < 32; ++attempt) {
        state = (state ^ ++counter) * 2246822519u;
        state ^= state >> 15;
        char name[32];
        std::snprintf(name, sizeof name, ".zvk%06x.tmp", static_cast<unsigned>(state & 0xFFFFFFu));
        temporary = folder + name;
        if (!Watch(call, TemporaryFileEvent::kCreating, temporary.c_str())) {
            temporary.clear();
            return Temporary::kStopped;
        }
        const bool made = CreateNewFile(temporary.c_str(), created);
        const std::string why = made ? std::string() : SystemErrorText();
        Watch(call, made ? TemporaryFileEvent::kCreated : TemporaryFileEvent::kNotCreated, temporary.c_str());
        if (made)
            return Temporary::kMade;
        call.failure.systemText = why;
    }
    temporary.clear();
    return Temporary::kFolderRefused;
}

// Notes why the save did not write and returns its result. The system's
// words are taken at once, before anything else can change them.
OutputResult Failed(SaveCall& call, OutputResult result, OutputFault fault)
{
    call.failure.fault = fault;
    const bool system = fault == OutputFault::kSystem || fault == OutputFault::kNotRestored;
    call.failure.systemText = system ? SystemErrorText() : std::string();
    return result;
}

// The end of an encoding: the encoder's own failure has no system error,
// one from a write to its stream has.
OutputResult EncodingFailed(SaveCall& call, std::FILE* stream)
{
    return Failed(call, OutputResult::kWriteFailed, std::ferror(stream) ? OutputFault::kSystem : OutputFault::kNone);
}

// A pipe or a device takes the bytes as they come: there is nothing to
// replace, and nothing to sync.
OutputResult WriteStream(const char* target, const std::function<bool(std::FILE*)>& encode, SaveCall& call)
{
    NewFile stream;
    if (!OpenStream(target, stream))
        return Failed(call, OutputResult::kCannotCreate, OutputFault::kSystem);
    ClearSystemError();
    OutputResult result = OutputResult::kWritten;
    if (!encode(stream.file))
        result = EncodingFailed(call, stream.file);
    else if (std::fflush(stream.file) != 0 || std::ferror(stream.file))
        result = Failed(call, OutputResult::kWriteFailed, OutputFault::kSystem);
    if (std::fclose(stream.file) != 0 && result == OutputResult::kWritten)
        result = Failed(call, OutputResult::kWriteFailed, OutputFault::kSystem);
    return result;
}

// The last resort for a target that may be written but has no folder that
// takes a new file beside it: the whole file is encoded in memory first,
// so that a failed encoding leaves the target untouched, and then written
// over the target (OverwriteFile keeps the old file whole on failure).
OutputResult WriteInPlace(const char* target, const std::function<bool(std::FILE*)>& encode, SaveCall& call)
{
    MemoryFile memory;
    if (!OpenMemoryFile(memory))
        return Failed(call, OutputResult::kCannotCreate, OutputFault::kSystem);
    ClearSystemError();
    const bool encoded = encode(memory.file);
    OutputResult result = OutputResult::kWritten;
    if (!CloseMemoryFile(memory) || !encoded) {
        result = Failed(call, OutputResult::kWriteFailed, OutputFault::kNone);
    } else if (!Watch(call, TemporaryFileEvent::kWritingInPlace, target)) {
        result = Failed(call, OutputResult::kCannotCreate, OutputFault::kNone);
    } else {
        switch (OverwriteFile(target, memory.data, memory.size, call.targets == OutputTargets::kWithinFolder)) {
        case OverwriteResult::kWritten:
            break;
        case OverwriteResult::kRefused:
            result = Failed(call, OutputResult::kCannotCreate, OutputFault::kSystem);
            break;
        case OverwriteResult::kFailed:
            result = Failed(call, OutputResult::kWriteFailed, OutputFault::kSystem);
            break;
        case OverwriteResult::kDamaged:
            result = Failed(call, OutputResult::kWriteFailed, OutputFault::kNotRestored);
            break;
        }
        // Told once the system's words for a failure are taken.
        Watch(call, TemporaryFileEvent::kWrittenInPlace, target);
    }
    FreeMemoryFile(memory);
    return result;
}

}  // namespace

bool OutputIsStream(const char* target, OutputTargets targets)
{
    return targets == OutputTargets::kFollowLinks && InspectTarget(target, true).stream;
}

OutputResult WriteSafely(const char* target, const std::function<bool(std::FILE*)>& encode)
{
    SaveCall call;
    return WriteSafely(target, encode, call);
}

OutputResult WriteSafely(const char* target, const std::function<bool(std::FILE*)>& encode, SaveCall& call)
{
    call.failure = OutputFailure{};
    call.failure.target = target;
    if (*target == '\0')
        return Failed(call, OutputResult::kCannotCreate, OutputFault::kNone);
    const bool follow = call.targets == OutputTargets::kFollowLinks;
    const TargetFile existing = InspectTarget(target, follow);
    // Never replaced: a rename over a pipe or a device would leave a plain
    // file where a reader or the system expects one.
    if (existing.exists && !existing.regular) {
        if (!follow)
            return Failed(call, OutputResult::kCannotCreate, OutputFault::kNotInFolder);
        if (existing.stream)
            return WriteStream(target, encode, call);
        return Failed(call, OutputResult::kCannotCreate, OutputFault::kSpecialFile);
    }
    // Refused as opening it for writing would be refused: a save does not
    // get round a read-only file by replacing it.
    if (existing.exists && !existing.writable)
        return Failed(call, OutputResult::kCannotCreate, OutputFault::kSystem);
    // Within its folder the name is the file; otherwise the file its links
    // lead to (which InspectTarget has already looked at).
    std::string path = target;
    if (follow && !ResolveTarget(target, path))
        return Failed(call, OutputResult::kCannotCreate, OutputFault::kSystem);

    std::string temporary;
    NewFile output;
    switch (CreateTemporary(path, temporary, output, call)) {
    case Temporary::kMade:
        break;
    case Temporary::kStopped:
        return Failed(call, OutputResult::kCannotCreate, OutputFault::kNone);
    case Temporary::kFolderRefused:
        if (existing.exists)
            return WriteInPlace(path.c_str(), encode, call);
        call.failure.fault = OutputFault::kSystem;   // CreateTemporary noted why
        return OutputResult::kCannotCreate;
    }
    ClearSystemError();
    OutputResult result = OutputResult::kWritten;
    if (!encode(output.file)) {
        result = EncodingFailed(call, output.file);
        FinishNewFile(output, temporary.c_str(), existing);
    } else if (!FinishNewFile(output, temporary.c_str(), existing)) {
        result = Failed(call, OutputResult::kWriteFailed, OutputFault::kSystem);
    } else if (!Watch(call, TemporaryFileEvent::kReplacing, temporary.c_str())) {
        result = Failed(call, OutputResult::kWriteFailed, OutputFault::kNone);
    } else if (!ReplaceTargetFile(temporary.c_str(), path.c_str())) {
        result = Failed(call, OutputResult::kWriteFailed, OutputFault::kSystem);
    }
    if (result != OutputResult::kWritten)
        std::remove(temporary.c_str());
    Watch(call, TemporaryFileEvent::kGone, temporary.c_str());
    return result;
}
