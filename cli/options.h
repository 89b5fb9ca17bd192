// The options of the zavik commands, read from a table: which commands take
// each option, whether it takes a value and what it sets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// Which options a command takes.
enum OptionSet : unsigned {
    kJsonOption = 1,
    kFormatOption = 2,
    kZoomOption = 4,
    kColourOptions = 8,
    kSizeOption = 16,     // -s SIZE of a thumbnail
    kBatchOptions = 32,   // -d DIR, -j N, --quiet of a conversion of many files
};

// The steps of the two colour dialogs that convert and render can take.
struct ColourSteps {
    bool separate = false;
    bool havePen = false, haveBackground = false;
    uint32_t pen = 0, background = 0;   // packed 0x00BBGGRR
    bool swap = false;
    uint32_t tolerance = 10;
    enum { kNoChoice, kFill, kKeepTransparent } choice = kNoChoice;
    uint32_t fill = 0;
    bool havePenColour = false;
    uint32_t penColour = 0;
};

struct Options {
    std::vector<std::string> files;
    bool json = false;
    bool help = false;
    std::string format;
    float zoom = 1.0f;   // one of the view's zoom factors
    ColourSteps colours;
    int32_t size = 256;       // a thumbnail's largest side
    std::string outputDir;    // set: every file given is an input, converted into this folder
    int jobs = 0;             // files converted at once; 0: one per processor
    bool quiet = false;       // no progress line
};

// Prints "zavik: message" and the command's usage to stderr; kExitUsage.
int UsageError(const char* message, const char* usage);

// Reads argv[2...] with the options of `allowed` (every command takes -h and
// --help; "--" ends the options). False after printing a usage error, whose
// exit code is then in exitCode.
bool ParseOptions(int argc, char** argv, const char* usage, unsigned allowed, Options& options, int& exitCode);
