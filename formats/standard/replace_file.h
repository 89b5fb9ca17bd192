// The two file-system steps of a safe save that differ between platforms:
// creating a new file that no one else has, and putting a finished file in
// the place of the one it replaces. replace_file_posix.cpp and
// replace_file_win32.cpp implement them; the build picks one. The save
// safe output (safe_output.h) is their only user.
#pragma once

#include <cstdio>

// Creates path for writing in byte mode, failing when it already exists
// (so that two saves never share a temporary file). Null on failure.
std::FILE* CreateNewFile(const char* path);

// Renames the finished file `from` to `target`, replacing target when it
// exists. True on success; on failure both files are as they were.
bool ReplaceTargetFile(const char* from, const char* target);
