#include "image/open_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32

// Windows opens nothing that blocks on open, but the device names (CON,
// NUL, COM1 ...) open as character devices and CON would wait on the
// console at the first read.
std::FILE* OpenRegular(const char* path)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return nullptr;
    struct _stat64 status;
    if (_fstat64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

#else

// Opening a FIFO for reading waits for a writer unless O_NONBLOCK is given,
// so the file is opened without blocking, checked, and only then switched
// to ordinary blocking reads.
std::FILE* OpenRegular(const char* path)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status;
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "rb");
    if (!file)
        close(fd);
    return file;
}
#endif

FileOpener testOpener = nullptr;

}  // namespace

std::FILE* OpenRegularFile(const char* path) { return testOpener ? testOpener(path) : OpenRegular(path); }

void SetFileOpenerForTests(FileOpener opener) { testOpener = opener; }
