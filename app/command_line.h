// Command-line and path arithmetic of start-up and of the save dialog, kept
// apart from the Win32 calls so that it is tested on its own.
#pragma once

#include <cstddef>

#include "image/raster_image.h"

// Copies text into a zeroed buffer of kPathSize bytes, leaving out every
// double-quote character. Returns false, with out empty, when the result
// would not fit in 259 bytes: such a name is refused rather than cut, since
// a cut name would open another file.
bool StripQuotes(char out[kPathSize], const char* text);

// The program part of the whole command line: its first
// (length of whole line - length of argument text) characters, the
// program's name as typed with the blank that followed it. Both texts are
// already without quotes. Returns the length of that part (0 when the
// argument is not shorter than the line).
size_t ProgramPartLength(const char* wholeLine, const char* argumentText);

// The directory of a full path given the offset of its file-name part:
// the first (length - length of the file part) characters, ending in a
// backslash. Writes an empty text when the offset is out of range.
void DirectoryOfFullPath(char out[kPathSize], const char* fullPath, size_t filePartOffset);

// The folder the save dialog opens in next, from the file it returned and
// the offset of its file-name part: the text before that part without its
// last separator, except for a root's: "C:" alone would mean the current
// folder on drive C, not its root. Empty when the offset is out of range.
void FolderOfSavedFile(char out[kPathSize], const char* path, size_t fileOffset);
