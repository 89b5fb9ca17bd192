#include "formats/standard/replace_file.h"

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

std::FILE* CreateNewFile(const char* path)
{
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0)
        return nullptr;
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(path);
    }
    return file;
}

// rename replaces an existing target in one step.
bool ReplaceTargetFile(const char* from, const char* target) { return std::rename(from, target) == 0; }
