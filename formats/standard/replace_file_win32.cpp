#include "formats/standard/replace_file.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

// Windows programs rarely meet symbolic links, and MoveFileEx works on the
// name given: the name is the file.
bool ResolveTarget(const char* target, std::string& resolved)
{
    resolved = target;
    return true;
}

// A reparse point (a symbolic link or a junction) is, uninspected, neither
// a regular file nor a stream: MoveFileEx replaces the link itself.
TargetFile InspectTarget(const char* path, bool followLinks)
{
    TargetFile target;
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return target;
    DWORD special = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE;
    if (!followLinks)
        special |= FILE_ATTRIBUTE_REPARSE_POINT;
    target.exists = true;
    target.regular = (attributes & special) == 0;
    target.writable = (attributes & FILE_ATTRIBUTE_READONLY) == 0;
    if (!target.writable)
        SetLastError(ERROR_ACCESS_DENIED);
    target.mode = attributes;
    return target;
}

bool CreateNewFile(const char* path, NewFile& created)
{
    created = NewFile{};
    const int fd = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return false;
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) {
        _close(fd);
        DeleteFileA(path);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    created.file = file;
    created.descriptor = fd;
    return true;
}

bool FinishNewFile(NewFile& file, const char* path, const TargetFile& target)
{
    bool ok = std::fflush(file.file) == 0 && !std::ferror(file.file);
    // On the disk before MoveFileEx makes it the target.
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.descriptor));
    if (ok && (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle)))
        ok = false;
    DWORD error = GetLastError();
    if (std::fclose(file.file) != 0 && ok) {
        ok = false;
        error = GetLastError();
    }
    file = NewFile{};
    SetLastError(error);
    // The old file's hidden, system and not-indexed attributes. Archive is
    // always set: the file has changed, and backups go by that bit. Losing
    // an attribute loses no data, so a failure here does not fail the save.
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (ok && target.exists && target.regular && (target.mode & kept) != 0)
        (void)SetFileAttributesA(path, (target.mode & kept) | FILE_ATTRIBUTE_ARCHIVE);
    return ok;
}

// rename fails on Windows when the target exists; MoveFileEx replaces it
// (within one folder this is a rename, never a copy) and returns once the
// move is on the disk.
bool ReplaceTargetFile(const char* from, const char* target)
{
    return MoveFileExA(from, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// A Windows folder holds no pipes or devices under names of its own (NUL
// and CON are names every folder answers to, which MoveFileEx never
// replaces), so InspectTarget finds no stream to open.
bool OpenStream(const char*, NewFile& opened)
{
    opened = NewFile{};
    SetLastError(ERROR_NOT_SUPPORTED);
    return false;
}

// The C library here has no stream over memory: the stream is the write
// end of a pipe whose other end a thread drains into a growing buffer.
// The encoders only ever write forwards, so a pipe serves them.
namespace {

struct PipeCollector {
    int readEnd = -1;
    uintptr_t thread = 0;
    char* data = nullptr;
    size_t size = 0;
    size_t capacity = 0;
    bool failed = false;
};

unsigned __stdcall Collect(void* argument)
{
    PipeCollector& c = *static_cast<PipeCollector*>(argument);
    char buffer[65536];
    for (;;) {
        const int n = _read(c.readEnd, buffer, sizeof buffer);
        if (n == 0)
            return 0;
        if (n < 0) {
            c.failed = true;
            return 0;
        }
        if (c.failed)
            continue;   // drained all the same, so the writer never blocks
        const size_t needed = c.size + static_cast<size_t>(n);
        if (needed > c.capacity) {
            size_t grown = c.capacity ? c.capacity * 2 : 1 << 20;
            while (grown < needed)
                grown *= 2;
            char* bigger = static_cast<char*>(std::realloc(c.data, grown));
            if (!bigger) {
                c.failed = true;
                continue;
            }
            c.data = bigger;
            c.capacity = grown;
        }
        std::memcpy(c.data + c.size, buffer, static_cast<size_t>(n));
        c.size = needed;
    }
}

}  // namespace

bool OpenMemoryFile(MemoryFile& memory)
{
    memory = MemoryFile{};
    int ends[2];
    if (_pipe(ends, 65536, _O_BINARY | _O_NOINHERIT) != 0)
        return false;
    PipeCollector* collector = new PipeCollector;
    collector->readEnd = ends[0];
    memory.file = _fdopen(ends[1], "wb");
    if (memory.file)
        collector->thread = _beginthreadex(nullptr, 0, Collect, collector, 0, nullptr);
    if (!memory.file || collector->thread == 0) {
        if (memory.file)
            std::fclose(memory.file);
        else
            _close(ends[1]);
        _close(ends[0]);
        delete collector;
        memory = MemoryFile{};
        return false;
    }
    memory.state = collector;
    return true;
}

bool CloseMemoryFile(MemoryFile& memory)
{
    PipeCollector* collector = static_cast<PipeCollector*>(memory.state);
    const bool ok = std::fflush(memory.file) == 0 && !std::ferror(memory.file);
    const bool closed = std::fclose(memory.file) == 0;   // the thread then reads the end
    memory.file = nullptr;
    const HANDLE thread = reinterpret_cast<HANDLE>(collector->thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    _close(collector->readEnd);
    memory.data = collector->data;
    memory.size = collector->size;
    const bool collected = !collector->failed;
    delete collector;
    memory.state = nullptr;
    return ok && closed && collected;
}

void FreeMemoryFile(MemoryFile& memory)
{
    std::free(memory.data);
    memory = MemoryFile{};
}

namespace {

// Moves the file pointer to `offset`; SetEndOfFile then makes that the
// file's length.
bool SeekTo(HANDLE file, uint64_t offset)
{
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != 0;
}

bool SetLength(HANDLE file, uint64_t length) { return SeekTo(file, length) && SetEndOfFile(file); }

// All `size` bytes from `offset` through ReadFile or WriteFile, in pieces
// a DWORD can count.
template <typename Bytes, typename Call>
bool Transfer(Call call, HANDLE file, Bytes data, size_t size, uint64_t offset)
{
    if (!SeekTo(file, offset))
        return false;
    for (size_t done = 0; done < size;) {
        const DWORD chunk = static_cast<DWORD>(size - done < (1u << 30) ? size - done : (1u << 30));
        DWORD moved = 0;
        if (!call(file, data + done, chunk, &moved, nullptr))
            return false;
        if (moved == 0) {
            SetLastError(ERROR_HANDLE_EOF);   // the file is shorter than it was a moment ago
            return false;
        }
        done += moved;
    }
    return true;
}

bool ReadAt(HANDLE file, char* data, size_t size, uint64_t offset) { return Transfer(ReadFile, file, data, size, offset); }

bool WriteAt(HANDLE file, const char* data, size_t size, uint64_t offset)
{
    return Transfer(WriteFile, file, data, size, offset);
}

// As on POSIX: the whole length reserved first (extending a file gives it
// its clusters), the cut only once the new bytes reached the disk, the
// old bytes put back after any failure between.
OverwriteResult WriteOver(HANDLE file, const char* data, size_t size, const char* old, size_t kept, uint64_t oldSize)
{
    if (size > oldSize && !SetLength(file, size)) {
        const DWORD error = GetLastError();
        (void)SetLength(file, oldSize);
        SetLastError(error);
        return OverwriteResult::kFailed;
    }
    if (WriteAt(file, data, size, 0) && FlushFileBuffers(file) && (size >= oldSize || SetLength(file, size))) {
        (void)FlushFileBuffers(file);
        return OverwriteResult::kWritten;
    }
    const DWORD error = GetLastError();
    const bool back = WriteAt(file, old, kept, 0) && (size <= oldSize || SetLength(file, oldSize)) &&
                      FlushFileBuffers(file);
    SetLastError(error);
    return back ? OverwriteResult::kFailed : OverwriteResult::kDamaged;
}

}  // namespace

OverwriteResult OverwriteFile(const char* target, const char* data, size_t size, bool soleName)
{
    // Read as well as written: the old bytes are kept to be put back.
    const HANDLE file = CreateFileA(target, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return OverwriteResult::kRefused;
    OverwriteResult result = OverwriteResult::kRefused;
    BY_HANDLE_FILE_INFORMATION info;
    char* old = nullptr;
    if (!GetFileInformationByHandle(file, &info)) {
        // GetLastError says why
    } else if (GetFileType(file) != FILE_TYPE_DISK || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_INVALID_FUNCTION);
    } else if (soleName && info.nNumberOfLinks > 1) {
        SetLastError(ERROR_TOO_MANY_LINKS);   // writing it would change the file under its other names too
    } else {
        const uint64_t oldSize = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
        // Only the old bytes the new ones cover; the new length is bounded
        // by the picture.
        const size_t kept = oldSize < size ? static_cast<size_t>(oldSize) : size;
        old = static_cast<char*>(std::malloc(kept > 0 ? kept : 1));
        if (!old)
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        else if (ReadAt(file, old, kept, 0))
            result = WriteOver(file, data, size, old, kept, oldSize);
    }
    const DWORD error = GetLastError();
    std::free(old);
    CloseHandle(file);
    SetLastError(error);
    return result;
}

std::string SystemErrorText()
{
    const DWORD error = GetLastError();
    if (error == 0)
        return std::string();
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                  sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' '))
        --length;
    if (length == 0)
        return "error " + std::to_string(error);
    return std::string(text, length);
}

void ClearSystemError() { SetLastError(0); }
