// Console output of the command-line tool: the program's texts and the texts
// read from files are code page 932; the console gets UTF-8.
#pragma once

#include <cstdio>
#include <string>

// Converts a code page 932 text to UTF-8. Bytes that do not form a
// character of the code page come out as U+FFFD.
std::string Cp932ToUtf8(const char* text);

// A file name from the command line (the system's own spelling: UTF-8 or
// any bytes here, the ANSI code page on Windows) as the console shows it:
// the bytes as they are here, converted from code page 932 on Windows.
std::string PathText(const std::string& path);

// Writes a code page 932 text to stream as UTF-8.
void PrintCp932(std::FILE* stream, const char* text);

// True when standard error goes to a terminal (where a progress line may
// be redrawn in place).
bool StandardErrorIsTerminal();
