#include "cli/file_identity.h"

#include <windows.h>

bool IdentifyFile(const std::string& path, FileIdentity& identity)
{
    // No access asked for, only the file's information; backup semantics
    // let a folder be opened too. Links are followed, as an open follows them.
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    const bool plain = GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    if (!known)
        return false;
    identity.device = info.dwVolumeSerialNumber;
    identity.file = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.plain = plain;
    return true;
}
