#include "formats/standard/replace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder part of a path ("." for a bare name), for a link's relative
// text and for the folder whose entry a rename changes.
std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The permission bits open() gives a new file made with mode 0666; umask
// can only be read by setting it, so it is put straight back.
uint32_t NewFileMode()
{
#ifdef __EMSCRIPTEN__
    // The browser build's file system applies no umask, and its umask call
    // only keeps a value that starts at 0777: taken at its word it would
    // leave the saved file unreadable.
    return 0666u;
#else
    const mode_t mask = umask(0);
    umask(mask);
    return 0666u & ~static_cast<uint32_t>(mask);
#endif
}

}  // namespace

bool ResolveTarget(const char* target, std::string& resolved)
{
    resolved = target;
    // The kernel's own limit on links followed in one lookup.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        // Not there (or not reachable): the save creates or fails on this
        // very name, as opening it would.
        if (lstat(resolved.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        std::string text(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = readlink(resolved.c_str(), &text[0], text.size());
        if (n < 0 || static_cast<size_t>(n) >= text.size())
            return false;   // unreadable, or changed while being read
        text.resize(static_cast<size_t>(n));
        resolved = text[0] == '/' ? text : FolderOf(resolved) + "/" + text;
    }
    return false;
}

TargetFile InspectTarget(const char* path)
{
    TargetFile target;
    struct stat st;
    if (stat(path, &st) != 0)
        return target;
    target.exists = true;
    target.regular = S_ISREG(st.st_mode);
    // As open() would decide (root may write anything; a read-only file
    // system refuses). The program is never set-id, so the real ids that
    // access() checks are the effective ones open() checks.
    target.writable = access(path, W_OK) == 0;
    target.mode = static_cast<uint32_t>(st.st_mode & 07777);
    target.owner = static_cast<uint32_t>(st.st_uid);
    target.group = static_cast<uint32_t>(st.st_gid);
    return target;
}

bool CreateNewFile(const char* path, NewFile& created)
{
    created = NewFile{};
    // 0600 whatever the umask: the picture is the user's alone until it
    // takes the permissions of the file it replaces.
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(path);
        return false;
    }
    created.file = file;
    created.descriptor = fd;
    return true;
}

bool FinishNewFile(NewFile& file, const char* /*path*/, const TargetFile& target)
{
    bool ok = std::fflush(file.file) == 0 && !std::ferror(file.file);
    if (ok) {
        uint32_t mode = NewFileMode();
        if (target.exists && target.regular) {
            // Owner and group where the user may give them (root, or a
            // group the user is in); otherwise the user's own.
            if (fchown(file.descriptor, target.owner, target.group) != 0 && errno == EPERM)
                (void)fchown(file.descriptor, static_cast<uid_t>(-1), target.group);
            mode = target.mode;
        }
        // After fchown, which may clear the set-id bits. A failure is left
        // alone: the file then stays readable by the user alone.
        (void)fchmod(file.descriptor, static_cast<mode_t>(mode));
        // On the disk before the rename makes it the target: otherwise a
        // crash could leave the new name with no data behind it.
        if (fsync(file.descriptor) != 0)
            ok = false;
    }
    if (std::fclose(file.file) != 0)
        ok = false;
    file = NewFile{};
    return ok;
}

bool ReplaceTargetFile(const char* from, const char* target)
{
    // rename replaces an existing target in one step.
    if (rename(from, target) != 0)
        return false;
    // The rename lasts once the folder is on the disk. The target has been
    // replaced whatever this says, so a failure here (some file systems
    // cannot sync a folder) does not make the save a failure.
    const int folder = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)fsync(folder);
        close(folder);
    }
    return true;
}

bool OpenMemoryFile(MemoryFile& memory)
{
    memory = MemoryFile{};
    memory.file = open_memstream(&memory.data, &memory.size);
    return memory.file != nullptr;
}

bool CloseMemoryFile(MemoryFile& memory)
{
    const bool ok = std::fflush(memory.file) == 0 && !std::ferror(memory.file);
    const bool closed = std::fclose(memory.file) == 0;
    memory.file = nullptr;
    return ok && closed && memory.data;
}

void FreeMemoryFile(MemoryFile& memory)
{
    std::free(memory.data);
    memory = MemoryFile{};
}

bool OverwriteFile(const char* target, const char* data, size_t size)
{
    // Not truncated first: the file keeps its blocks while it is written,
    // so a picture no larger than the old one does not run out of space.
    const int fd = open(target, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = true;
    for (size_t done = 0; ok && done < size;) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<size_t>(n);
    }
    ok = ok && ftruncate(fd, static_cast<off_t>(size)) == 0 && fsync(fd) == 0;
    if (close(fd) != 0)
        ok = false;
    return ok;
}
