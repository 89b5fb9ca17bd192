#include "formats/standard/replace_file.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

std::FILE* CreateNewFile(const char* path)
{
    int fd = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) {
        _close(fd);
        DeleteFileA(path);
    }
    return file;
}

// rename fails on Windows when the target exists; MoveFileEx replaces it
// (within one folder this is a rename, never a copy).
bool ReplaceTargetFile(const char* from, const char* target)
{
    return MoveFileExA(from, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
