// Conversion of many files: several at once, each on a thread of its own in
// this process, with a progress line on a terminal.
//
// Each file opens into a document of its own, its save has its own state
// (safe_output.h), its messages are kept apart (cli_platform.h) and the
// pixel blocks a thread keeps for reuse are its own, given back when its
// file is done: a file converts exactly as if it had been converted alone.
// The conversions hold one memory budget together (batch_memory.h), and an
// interruption stops them all and removes their temporary files
// (interrupt.h).
#pragma once

#include <string>
#include <vector>

class SaveWatcher;

struct BatchFile {
    std::string input;
    std::string output;
};

struct BatchSettings {
    int jobs = 1;            // files converted at once
    bool progress = false;   // show "[done/total] name" on standard error
};

// Runs convert on every file, at most settings.jobs at a time, each on a
// thread of its own; convert saves with `watcher` as its saves' watcher.
// Whatever a conversion prints as an error text (cli_platform.h) is shown
// after it ends, in one piece. Returns how many failed.
int RunBatch(const std::vector<BatchFile>& files, const BatchSettings& settings,
             bool (*convert)(const BatchFile& file, SaveWatcher& watcher, const void* context),
             const void* context);

// The number of processors this program may use (at least 1).
int ProcessorCount();
