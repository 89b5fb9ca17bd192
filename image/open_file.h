// Opening a file to read it.
//
// Every file the program reads (named on the command line, dropped on the
// window, chosen in the open dialog, or named inside a canvas) is opened
// here. Only a regular file is ever read: a folder, a FIFO, a device or a
// socket takes the path of a file that cannot be opened. The check itself
// never blocks, so a FIFO without a writer or a terminal cannot hold the
// program up.
#pragma once

#include <cstdio>

// The file at path opened for reading in byte mode, or null when it cannot
// be opened or is not a regular file.
std::FILE* OpenRegularFile(const char* path);

// Tests put an opener of their own in the real one's place (for files that
// fail partway, as a failing disk does); null puts the real one back.
using FileOpener = std::FILE* (*)(const char* path);
void SetFileOpenerForTests(FileOpener opener);
