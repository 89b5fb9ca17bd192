// The body every fuzz target shares: one input through its reader, then an
// abort when the document state left behind is not consistent. Each target
// file includes this with ZAVIK_FUZZ_TARGET set to its FuzzTarget.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "fuzz/fuzz_driver.h"
#include "fuzz/fuzz_front_end.h"

#ifdef _WIN32
#include <process.h>
#define ZAVIK_PID _getpid
#else
#include <unistd.h>
#define ZAVIK_PID getpid
#endif

namespace {

// The work folder of this process, removed at exit. Kept on the heap so
// that it outlives the static objects destroyed before the exit handler.
const std::string& FuzzFolder()
{
    static const std::string* folder = [] {
        const char* base = std::getenv("TMPDIR");
        auto* f = new std::string(std::string(base && *base ? base : "/tmp") + "/zavik_fuzz_" +
                                  std::to_string(ZAVIK_PID()));
        if (!PrepareFuzzFolder(*f)) {
            std::fprintf(stderr, "cannot prepare %s\n", f->c_str());
            std::abort();
        }
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(FuzzFolder(), ignored);
        });
        return f;
    }();
    return *folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One document for the process: each run resets its start state
    // (ResetFuzzState), the rest carries over from input to input, as the
    // regression replay replays them.
    static Document doc;
    FuzzFrontEnd ui;
    const FuzzOutcome outcome = RunFuzzInput(ui, doc, ZAVIK_FUZZ_TARGET, data, size, FuzzFolder());
    if (!outcome.problem.empty()) {
        std::fprintf(stderr, "inconsistent state: %s\n", outcome.problem.c_str());
        std::abort();
    }
    return 0;
}
