#include "formats/standard/replace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
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
        if (n < 0)
            return false;   // unreadable
        if (static_cast<size_t>(n) >= text.size()) {
            errno = EAGAIN;   // changed while being read
            return false;
        }
        text.resize(static_cast<size_t>(n));
        resolved = text[0] == '/' ? text : FolderOf(resolved) + "/" + text;
    }
    errno = ELOOP;
    return false;
}

TargetFile InspectTarget(const char* path, bool followLinks)
{
    TargetFile target;
    struct stat st;
    if ((followLinks ? stat(path, &st) : lstat(path, &st)) != 0)
        return target;
    target.exists = true;
    target.regular = S_ISREG(st.st_mode);
    target.stream = S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode);
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
        const int error = errno;
        close(fd);
        unlink(path);
        errno = error;
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
    int error = errno;
    if (std::fclose(file.file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    file = NewFile{};
    errno = error;
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

bool OpenStream(const char* path, NewFile& opened)
{
    opened = NewFile{};
    // Followed, as `> path` would be: /dev/stdout is a link to the
    // descriptor, whatever that is. No O_NONBLOCK: a pipe's writer waits
    // for its reader.
    const int fd = open(path, O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Checked on what was opened, not on the name: a regular file put in
    // the pipe's place meanwhile must take the way of a replaced file.
    struct stat st;
    if (fstat(fd, &st) != 0 || !(S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) {
        close(fd);
        errno = EAGAIN;
        return false;
    }
    opened.file = fdopen(fd, "wb");
    if (!opened.file) {
        const int error = errno;
        close(fd);
        errno = error;
        return false;
    }
    opened.descriptor = fd;
    return true;
}

namespace {

// All `size` bytes at `offset` through pread or pwrite, past interrupted
// and short transfers.
template <typename Bytes, typename Call>
bool Transfer(Call call, int fd, Bytes data, size_t size, off_t offset)
{
    for (size_t done = 0; done < size;) {
        const ssize_t n = call(fd, data + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;   // the file is shorter than it was a moment ago
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ReadAt(int fd, char* data, size_t size, off_t offset) { return Transfer(pread, fd, data, size, offset); }

bool WriteAt(int fd, const char* data, size_t size, off_t offset) { return Transfer(pwrite, fd, data, size, offset); }

// The signals that end a program at the user's or the system's request.
// While a file is written over there is no temporary file whose removal
// undoes an interruption, so they wait until the file is whole again.
sigset_t Interruptions()
{
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&signals, signal);
    return signals;
}

// Writes the new bytes over the file and cuts it to their length, the old
// file still whole at every step that can fail: the whole length is
// reserved first, and the cut (the one step whose undoing would need the
// old file's tail) comes only after the new bytes reached the disk.
OverwriteResult WriteOver(int fd, const char* data, size_t size, const char* old, size_t kept, off_t oldSize)
{
    const off_t newSize = static_cast<off_t>(size);
    // posix_fallocate, where the file system has no fallocate, writes
    // zeros block by block, only into holes and past the end.
    const int reserved = size > 0 ? posix_fallocate(fd, 0, newSize) : 0;
    if (reserved != 0) {
        // A reservation that failed part way may have lengthened the file.
        struct stat now;
        if (fstat(fd, &now) == 0 && now.st_size != oldSize)
            (void)ftruncate(fd, oldSize);
        errno = reserved;
        return OverwriteResult::kFailed;
    }
    if (WriteAt(fd, data, size, 0) && fsync(fd) == 0 && (newSize >= oldSize || ftruncate(fd, newSize) == 0)) {
        // The new bytes are on the disk; only the cut may not be yet, and
        // a crash then leaves the old tail after a whole new picture.
        (void)fsync(fd);
        return OverwriteResult::kWritten;
    }
    const int error = errno;
    const bool back = WriteAt(fd, old, kept, 0) && (newSize <= oldSize || ftruncate(fd, oldSize) == 0) &&
                      fsync(fd) == 0;
    errno = error;
    return back ? OverwriteResult::kFailed : OverwriteResult::kDamaged;
}

}  // namespace

OverwriteResult OverwriteFile(const char* target, const char* data, size_t size, bool soleName)
{
    // Read as well as written: the old bytes are kept to be put back.
    const int fd = open(target, O_RDWR | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return OverwriteResult::kRefused;
    OverwriteResult result = OverwriteResult::kRefused;
    struct stat st;
    char* old = nullptr;
    if (fstat(fd, &st) != 0) {
        // errno says why
    } else if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
    } else if (soleName && st.st_nlink > 1) {
        errno = EMLINK;   // writing it would change the file under its other names too
    } else {
        // Only the old bytes the new ones cover: the tail past them is
        // never written, and the new length is bounded by the picture.
        const size_t kept = static_cast<uintmax_t>(st.st_size) < size ? static_cast<size_t>(st.st_size) : size;
        old = static_cast<char*>(std::malloc(kept > 0 ? kept : 1));
        if (!old) {
            errno = ENOMEM;
        } else if (ReadAt(fd, old, kept, 0)) {
            const sigset_t held = Interruptions();
            sigset_t before;
            sigprocmask(SIG_BLOCK, &held, &before);
            result = WriteOver(fd, data, size, old, kept, st.st_size);
            const int error = errno;
            sigprocmask(SIG_SETMASK, &before, nullptr);
            errno = error;
        }
    }
    const int error = errno;
    std::free(old);
    close(fd);   // after fsync, a failing close has nothing more to say
    errno = error;
    return result;
}

std::string SystemErrorText() { return errno != 0 ? std::strerror(errno) : std::string(); }

void ClearSystemError() { errno = 0; }
