#include "cli/file_identity.h"

#include <sys/stat.h>

bool IdentifyFile(const std::string& path, FileIdentity& identity)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return false;
    identity.device = static_cast<uint64_t>(st.st_dev);
    identity.file = static_cast<uint64_t>(st.st_ino);
    identity.plain = S_ISREG(st.st_mode) || S_ISDIR(st.st_mode);
    return true;
}
