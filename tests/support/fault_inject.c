/* Faults on demand for the tests, loaded with LD_PRELOAD into the real
 * program. Without any of the variables below it changes nothing.
 *
 *   ZAVIK_FAULT_READ=TEXT:N     a file opened for reading (fopen, fopen64,
 *                               or open then fdopen, as the readers open
 *                               theirs) whose path contains TEXT gives its
 *                               first N bytes, then every read fails with EIO
 *   ZAVIK_FAULT_WRITE=N         a stream made with fdopen for writing (the
 *                               safe output's temporary file) takes N bytes,
 *                               then every write fails with ENOSPC
 *   ZAVIK_FAULT_WRITE_DELAY_MS=MS  making such a stream, and each write
 *                               reaching its file, first sleeps MS
 *                               milliseconds (a slow disk,
 *                               for interrupting a save part way); so
 *                               does each pwrite, which then writes at
 *                               most 4096 bytes
 *   ZAVIK_FAULT_RENAME=1        rename fails with EIO
 *   ZAVIK_FAULT_FSYNC=1         fsync and fdatasync fail with EIO
 *   ZAVIK_FAULT_CREATE=1        open with O_CREAT and O_EXCL (a new file
 *                               that must not exist yet) fails with ENOSPC,
 *                               as in a folder on a disk with no free inodes
 *   ZAVIK_FAULT_FALLOCATE=1     posix_fallocate finds no room (ENOSPC)
 *   ZAVIK_FAULT_PWRITE=N        pwrite takes N bytes in all, then fails
 *                               with EIO; with ZAVIK_FAULT_PWRITE_ONCE=1 only
 *                               the first call that fails does (a passing
 *                               error), the later ones work
 *
 * glibc's stdio reaches the system through internal calls that cannot be
 * interposed, so the faults sit at the stream: the real stream or
 * descriptor is wrapped in an fopencookie stream that counts the bytes.
 * Whatever reads or writes through the FILE* (libjpeg, libpng, the
 * program's own code) meets the fault. Such a stream has no descriptor
 * (fileno fails); the safe output keeps its own.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

static void* next_symbol(const char* name)
{
    void* symbol = dlsym(RTLD_NEXT, name);
    if (!symbol) {
        fprintf(stderr, "fault_inject: no %s\n", name);
        abort();
    }
    return symbol;
}

static int enabled(const char* variable)
{
    const char* value = getenv(variable);
    return value && strcmp(value, "1") == 0;
}

/* ------------------------------------------------------------------ reads */

struct read_fault {
    FILE* real;
    uint64_t left; /* bytes still given before the fault */
};

static ssize_t fault_read(void* cookie, char* buffer, size_t size)
{
    struct read_fault* f = cookie;
    if (f->left == 0) {
        errno = EIO;
        return -1;
    }
    if (size > f->left)
        size = (size_t)f->left;
    const size_t n = fread(buffer, 1, size, f->real);
    f->left -= n;
    if (n == 0 && ferror(f->real)) {
        errno = EIO;
        return -1;
    }
    return (ssize_t)n;
}

static int fault_read_seek(void* cookie, off64_t* offset, int whence)
{
    struct read_fault* f = cookie;
    if (fseeko(f->real, *offset, whence) != 0)
        return -1;
    *offset = ftello(f->real);
    return 0;
}

static int fault_read_close(void* cookie)
{
    struct read_fault* f = cookie;
    const int result = fclose(f->real);
    free(f);
    return result;
}

/* The byte count when reads of `path` in `mode` are to fail, else -1. */
static long long read_fault_for(const char* path, const char* mode)
{
    const char* setting = getenv("ZAVIK_FAULT_READ");
    if (!setting || !path || !mode || mode[0] != 'r' || strchr(mode, '+'))
        return -1;
    const char* colon = strrchr(setting, ':');
    if (!colon || colon == setting)
        return -1;
    const size_t length = (size_t)(colon - setting);
    for (const char* p = path; *p; ++p)
        if (strncmp(p, setting, length) == 0)
            return atoll(colon + 1);
    return -1;
}

static FILE* wrap_read(FILE* real, long long bytes)
{
    struct read_fault* f = malloc(sizeof *f);
    if (!f) {
        fclose(real);
        errno = ENOMEM;
        return NULL;
    }
    f->real = real;
    f->left = (uint64_t)bytes;
    cookie_io_functions_t io = {fault_read, NULL, fault_read_seek, fault_read_close};
    FILE* wrapped = fopencookie(f, "rb", io);
    if (!wrapped)
        fault_read_close(f);
    return wrapped;
}

FILE* fopen(const char* path, const char* mode)
{
    static FILE* (*real_fopen)(const char*, const char*);
    if (!real_fopen)
        real_fopen = (FILE * (*)(const char*, const char*)) next_symbol("fopen");
    FILE* file = real_fopen(path, mode);
    const long long bytes = read_fault_for(path, mode);
    return file && bytes >= 0 ? wrap_read(file, bytes) : file;
}

FILE* fopen64(const char* path, const char* mode)
{
    static FILE* (*real_fopen64)(const char*, const char*);
    if (!real_fopen64)
        real_fopen64 = (FILE * (*)(const char*, const char*)) next_symbol("fopen64");
    FILE* file = real_fopen64(path, mode);
    const long long bytes = read_fault_for(path, mode);
    return file && bytes >= 0 ? wrap_read(file, bytes) : file;
}

/* A descriptor opened for reading by open() keeps its byte count here until
 * fdopen makes it a stream (0: no fault; else the count plus one). */
static long long read_fault_by_fd[1024];

static void note_read_open(int fd, const char* path, int flags)
{
    if (fd < 0 || fd >= (int)(sizeof read_fault_by_fd / sizeof read_fault_by_fd[0]))
        return;
    const long long bytes = (flags & O_ACCMODE) == O_RDONLY ? read_fault_for(path, "rb") : -1;
    read_fault_by_fd[fd] = bytes + 1;
}

static int open_with(const char* name, const char* path, int flags, va_list rest)
{
    int (*real_open)(const char*, int, ...) = (int (*)(const char*, int, ...))next_symbol(name);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(rest, mode_t) : 0;
    if ((flags & (O_CREAT | O_EXCL)) == (O_CREAT | O_EXCL) && enabled("ZAVIK_FAULT_CREATE")) {
        errno = ENOSPC;
        return -1;
    }
    const int fd = real_open(path, flags, mode);
    note_read_open(fd, path, flags);
    return fd;
}

int open(const char* path, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    const int fd = open_with("open", path, flags, rest);
    va_end(rest);
    return fd;
}

int open64(const char* path, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    const int fd = open_with("open64", path, flags, rest);
    va_end(rest);
    return fd;
}

/* ----------------------------------------------------------------- writes */

struct write_fault {
    int fd;
    uint64_t left;    /* bytes still taken; UINT64_MAX: no limit */
    long delay_ms;
};

static void pause_for(long ms)
{
    if (ms > 0) {
        struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
        nanosleep(&pause, NULL);
    }
}

static ssize_t fault_write(void* cookie, const char* buffer, size_t size)
{
    struct write_fault* f = cookie;
    pause_for(f->delay_ms);
    if (f->left == 0) {
        errno = ENOSPC;
        return 0; /* a cookie writer reports an error as 0 bytes */
    }
    const int cut = size > f->left;
    if (cut)
        size = (size_t)f->left;
    const ssize_t n = write(f->fd, buffer, size);
    if (n <= 0)
        return 0;
    if (f->left != UINT64_MAX)
        f->left -= (uint64_t)n;
    /* stdio takes a short count from a cookie as a failure; a full disk
     * says why, as write does when the C library asks again for the rest. */
    if (cut)
        errno = ENOSPC;
    return n;
}

static int fault_write_seek(void* cookie, off64_t* offset, int whence)
{
    struct write_fault* f = cookie;
    const off64_t at = lseek64(f->fd, *offset, whence);
    if (at < 0)
        return -1;
    *offset = at;
    return 0;
}

static int fault_write_close(void* cookie)
{
    struct write_fault* f = cookie;
    const int result = close(f->fd);
    free(f);
    return result;
}

FILE* fdopen(int fd, const char* mode)
{
    static FILE* (*real_fdopen)(int, const char*);
    if (!real_fdopen)
        real_fdopen = (FILE * (*)(int, const char*)) next_symbol("fdopen");
    const char* limit = getenv("ZAVIK_FAULT_WRITE");
    const char* delay = getenv("ZAVIK_FAULT_WRITE_DELAY_MS");
    if (mode && mode[0] == 'r' && fd >= 0 && fd < (int)(sizeof read_fault_by_fd / sizeof read_fault_by_fd[0]) &&
        read_fault_by_fd[fd] > 0) {
        const long long bytes = read_fault_by_fd[fd] - 1;
        read_fault_by_fd[fd] = 0;
        FILE* real = real_fdopen(fd, mode);
        return real ? wrap_read(real, bytes) : NULL;
    }
    if ((!limit && !delay) || !mode || mode[0] != 'w')
        return real_fdopen(fd, mode);
    struct write_fault* f = malloc(sizeof *f);
    if (!f) {
        errno = ENOMEM;
        return NULL;
    }
    f->fd = fd;
    f->left = limit ? (uint64_t)atoll(limit) : UINT64_MAX;
    f->delay_ms = delay ? atol(delay) : 0;
    /* The file already exists under its name: an interruption now must
     * find the program knowing it. */
    pause_for(f->delay_ms);
    cookie_io_functions_t io = {NULL, fault_write, fault_write_seek, fault_write_close};
    FILE* wrapped = fopencookie(f, mode, io);
    if (!wrapped)
        free(f); /* the descriptor stays the caller's, as with a failed fdopen */
    return wrapped;
}

/* ------------------------------------------------------- rename and fsync */

int rename(const char* from, const char* to)
{
    static int (*real_rename)(const char*, const char*);
    if (!real_rename)
        real_rename = (int (*)(const char*, const char*))next_symbol("rename");
    if (enabled("ZAVIK_FAULT_RENAME")) {
        errno = EIO;
        return -1;
    }
    return real_rename(from, to);
}

int fsync(int fd)
{
    static int (*real_fsync)(int);
    if (!real_fsync)
        real_fsync = (int (*)(int))next_symbol("fsync");
    if (enabled("ZAVIK_FAULT_FSYNC")) {
        errno = EIO;
        return -1;
    }
    return real_fsync(fd);
}

int fdatasync(int fd)
{
    static int (*real_fdatasync)(int);
    if (!real_fdatasync)
        real_fdatasync = (int (*)(int))next_symbol("fdatasync");
    if (enabled("ZAVIK_FAULT_FSYNC")) {
        errno = EIO;
        return -1;
    }
    return real_fdatasync(fd);
}

/* --------------------------------------------- writing over a file in place */

static int fallocate_fault(void)
{
    return enabled("ZAVIK_FAULT_FALLOCATE") ? ENOSPC : 0;
}

int posix_fallocate(int fd, off_t offset, off_t length)
{
    static int (*real_posix_fallocate)(int, off_t, off_t);
    if (!real_posix_fallocate)
        real_posix_fallocate = (int (*)(int, off_t, off_t))next_symbol("posix_fallocate");
    return fallocate_fault() ? fallocate_fault() : real_posix_fallocate(fd, offset, length);
}

int posix_fallocate64(int fd, off64_t offset, off64_t length)
{
    static int (*real_posix_fallocate64)(int, off64_t, off64_t);
    if (!real_posix_fallocate64)
        real_posix_fallocate64 = (int (*)(int, off64_t, off64_t))next_symbol("posix_fallocate64");
    return fallocate_fault() ? fallocate_fault() : real_posix_fallocate64(fd, offset, length);
}

/* How many bytes this pwrite may still write: SIZE_MAX for all of them, 0
 * when it is to fail. */
static size_t pwrite_allowance(size_t size)
{
    static uint64_t written;
    static int failed;
    const char* limit = getenv("ZAVIK_FAULT_PWRITE");
    if (!limit || (failed && enabled("ZAVIK_FAULT_PWRITE_ONCE")))
        return SIZE_MAX;
    const uint64_t left = (uint64_t)atoll(limit) > written ? (uint64_t)atoll(limit) - written : 0;
    if (left == 0) {
        failed = 1;
        return 0;
    }
    const size_t allowed = size < left ? size : (size_t)left;
    written += allowed;
    return allowed;
}

static ssize_t faulty_pwrite(const char* name, int fd, const void* buffer, size_t size, off64_t offset)
{
    ssize_t (*real_pwrite64)(int, const void*, size_t, off64_t) =
        (ssize_t(*)(int, const void*, size_t, off64_t))next_symbol(name);
    const char* delay = getenv("ZAVIK_FAULT_WRITE_DELAY_MS");
    if (delay) {
        pause_for(atol(delay));
        if (size > 4096)
            size = 4096;
    }
    const size_t allowed = pwrite_allowance(size);
    if (allowed == 0 && size > 0) {
        errno = EIO;
        return -1;
    }
    return real_pwrite64(fd, buffer, allowed < size ? allowed : size, offset);
}

ssize_t pwrite(int fd, const void* buffer, size_t size, off_t offset)
{
    return faulty_pwrite("pwrite", fd, buffer, size, offset);
}

ssize_t pwrite64(int fd, const void* buffer, size_t size, off64_t offset)
{
    return faulty_pwrite("pwrite64", fd, buffer, size, offset);
}
