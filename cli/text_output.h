// Console output of the command-line tool: the program's texts and the texts
// read from files are code page 932; the console gets UTF-8.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "report/utf8.h"   // Cp932ToUtf8


// A file name from the command line (the system's own spelling: UTF-8 or
// any bytes here, the ANSI code page on Windows) as the console shows it:
// the bytes as they are here, converted from code page 932 on Windows.
std::string PathText(const std::string& path);

// A file name as a message or report line on `stream` shows it: PathText,
// and where the stream is a terminal, a name holding bytes a terminal would
// act on is shown quoted (ShellQuoted), so that a hostile name cannot set
// the title, clear the screen or hide text. A file or pipe gets the bytes as
// the file system spells them.
std::string ShownName(const std::string& path, std::FILE* stream = stderr);

// `text` quoted as GNU ls --quoting-style=shell-escape quotes it, when it
// holds a control character (C0, DEL or C1) or a byte that is not UTF-8:
// the whole text in single quotes, each such byte as $'\ooo' (or $'\n',
// $'\t', ...), a quote as '\''. Pasted into a shell it gives the bytes
// back. Any other text is returned as it is.
std::string ShellQuoted(const std::string& text);

// Writes a code page 932 text to stream as UTF-8.
void PrintCp932(std::FILE* stream, const char* text);

// True when standard error goes to a terminal (where a progress line may
// be redrawn in place). Decided once, when the program starts, so that the
// texts a batch keeps and shows later name files as the terminal needs them.
bool StandardErrorIsTerminal();

