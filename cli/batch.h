// Conversion of many files: each file in a process of its own, several at
// once, with a progress line on a terminal.
//
// Each file opens into a document of its own, but the save's failure report
// and the pixel blocks kept for reuse are the process's, so files are never
// converted side by side in one process; a worker process per file gives
// each conversion a program of its own, exactly as if the file had been
// converted alone. Where there is no fork (Windows)
// the files are converted one after the other in this process.
#pragma once

#include <string>
#include <vector>

struct BatchFile {
    std::string input;
    std::string output;
};

struct BatchSettings {
    int jobs = 1;            // files converted at once
    bool progress = false;   // show "[done/total] name" on standard error
};

// Runs convert on every file, at most settings.jobs at a time. Whatever a
// conversion writes to standard error is shown after it ends, in one piece.
// Returns how many failed (convert returned false, or its worker died).
int RunBatch(const std::vector<BatchFile>& files, const BatchSettings& settings,
             bool (*convert)(const BatchFile& file, const void* context), const void* context);

// The number of processors this program may use (at least 1).
int ProcessorCount();
