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

TargetFile InspectTarget(const char* path)
{
    TargetFile target;
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return target;
    target.exists = true;
    target.regular = (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
    target.writable = (attributes & FILE_ATTRIBUTE_READONLY) == 0;
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
    if (std::fclose(file.file) != 0)
        ok = false;
    file = NewFile{};
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

bool OverwriteFile(const char* target, const char* data, size_t size)
{
    // Not truncated first: the file keeps its clusters while it is written.
    const HANDLE file = CreateFileA(target, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    for (size_t done = 0; ok && done < size;) {
        const DWORD chunk = static_cast<DWORD>(size - done < (1u << 30) ? size - done : (1u << 30));
        DWORD written = 0;
        ok = WriteFile(file, data + done, chunk, &written, nullptr) && written > 0;
        done += written;
    }
    ok = ok && SetEndOfFile(file) && FlushFileBuffers(file);
    if (!CloseHandle(file))
        ok = false;
    return ok;
}
