#include "cli/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/zoom.h"
#include "cli/text_output.h"

int UsageError(const char* message, const char* usage)
{
    std::fprintf(stderr, "zavik: %s\n\n", message);
    PrintCp932(stderr, usage);   // the usage texts name the dialogs' Japanese items
    return kExitUsage;
}

namespace {

// "#RRGGBB" (the # may be left out) to a packed 0x00BBGGRR colour.
bool ParseColour(const char* text, uint32_t& colour)
{
    if (*text == '#')
        ++text;
    if (std::strlen(text) != 6)
        return false;
    char* end = nullptr;
    unsigned long rgb = std::strtoul(text, &end, 16);
    if (*end != '\0' || text[0] == '-' || text[0] == '+')
        return false;
    colour = static_cast<uint32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    return true;
}

// A decimal number from low to high.
bool ParseNumber(const char* text, int32_t low, int32_t high, int32_t& number)
{
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (*text < '0' || *text > '9' || *end != '\0' || n < low || n > high)
        return false;
    number = static_cast<int32_t>(n);
    return true;
}

struct OptionRule {
    const char* name;
    unsigned set;          // the commands that take it; 0: every command
    bool takesValue;
    const char* refusal;   // the usage error when apply refuses the value
    bool (*apply)(Options& options, const char* value);
};

const OptionRule kOptionRules[] = {
    {"-h", 0, false, nullptr, [](Options& o, const char*) { return o.help = true; }},
    {"--help", 0, false, nullptr, [](Options& o, const char*) { return o.help = true; }},
    {"--json", kJsonOption, false, nullptr, [](Options& o, const char*) { return o.json = true; }},
    {"--format", kFormatOption, true, "--format must be jpeg, bmp or png",
     [](Options& o, const char* v) {
         o.format = v;
         return o.format == "jpeg" || o.format == "jpg" || o.format == "bmp" || o.format == "png";
     }},
    {"--zoom", kZoomOption, true, "--zoom must be 100, 90, ... or 10",
     [](Options& o, const char* v) {
         char* end = nullptr;
         const long percent = std::strtol(v, &end, 10);
         if (*v == '\0' || *end != '\0' || percent < 0 || percent > 100)
             return false;
         o.zoom = ZoomFactorForPercent(static_cast<int>(percent));
         return o.zoom != 0.0f;
     }},
    {"--separate", kColourOptions, false, nullptr, [](Options& o, const char*) { return o.colours.separate = true; }},
    {"--pen", kColourOptions, true, "--pen takes a colour as #RRGGBB",
     [](Options& o, const char* v) {
         return ParseColour(v, o.colours.pen) && (o.colours.havePen = o.colours.separate = true);
     }},
    {"--background", kColourOptions, true, "--background takes a colour as #RRGGBB",
     [](Options& o, const char* v) {
         return ParseColour(v, o.colours.background) && (o.colours.haveBackground = o.colours.separate = true);
     }},
    {"--swap", kColourOptions, false, nullptr,
     [](Options& o, const char*) { return o.colours.swap = o.colours.separate = true; }},
    {"--tolerance", kColourOptions, true, "--tolerance takes a number",
     [](Options& o, const char* v) {
         char* end = nullptr;
         const unsigned long n = std::strtoul(v, &end, 10);
         if (*v < '0' || *v > '9' || *end != '\0' || n > 0xFFFFFFFFul)
             return false;
         o.colours.tolerance = static_cast<uint32_t>(n);
         return o.colours.separate = true;
     }},
    {"--fill", kColourOptions, true, "--fill takes a colour as #RRGGBB",
     [](Options& o, const char* v) {
         if (!ParseColour(v, o.colours.fill))
             return false;
         o.colours.choice = ColourSteps::kFill;
         return true;
     }},
    {"--transparent", kColourOptions, false, nullptr,
     [](Options& o, const char*) {
         o.colours.choice = ColourSteps::kKeepTransparent;
         return true;
     }},
    {"-s", kSizeOption, true, "-s takes a size from 1 to 16384",
     [](Options& o, const char* v) { return ParseNumber(v, 1, 16384, o.size); }},
    {"-d", kBatchOptions, true, "-d takes a folder",
     [](Options& o, const char* v) { return !(o.outputDir = v).empty(); }},
    {"-j", kBatchOptions, true, "-j takes a number of files from 1 to 256",
     [](Options& o, const char* v) { return ParseNumber(v, 1, 256, o.jobs); }},
    {"--quiet", kBatchOptions, false, nullptr, [](Options& o, const char*) { return o.quiet = true; }},
    {"--pen-color", kColourOptions, true, "--pen-color takes a colour as #RRGGBB",
     [](Options& o, const char* v) { return ParseColour(v, o.colours.penColour) && (o.colours.havePenColour = true); }},
};

const OptionRule* FindRule(const std::string& arg, unsigned allowed)
{
    for (const OptionRule& rule : kOptionRules)
        if (arg == rule.name && (rule.set == 0 || (allowed & rule.set) != 0))
            return &rule;
    return nullptr;
}

}  // namespace

bool ParseOptions(int argc, char** argv, const char* usage, unsigned allowed, Options& options, int& exitCode)
{
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const OptionRule* rule = FindRule(arg, allowed);
        if (!rule) {
            if (arg == "--") {
                options.files.insert(options.files.end(), argv + i + 1, argv + argc);
                break;
            }
            if (arg.size() > 1 && arg[0] == '-') {
                exitCode = UsageError(("unknown option " + ShownName(arg)).c_str(), usage);
                return false;
            }
            options.files.push_back(arg);
            continue;
        }
        const char* value = nullptr;
        if (rule->takesValue) {
            if (i + 1 >= argc) {
                exitCode = UsageError((arg + " needs a value").c_str(), usage);
                return false;
            }
            value = argv[++i];
        }
        if (!rule->apply(options, value)) {
            exitCode = UsageError(rule->refusal, usage);
            return false;
        }
    }
    return true;
}
