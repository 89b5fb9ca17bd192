// zavik: the viewer's open dispatch and save pipeline on the command line.
#include <cstdio>
#include <cstring>

#include "app/version.h"

namespace {

const char kUsage[] =
    "Usage: zavik COMMAND [ARGUMENTS]\n"
    "\n"
    "Opens the files of the painting program (painter .esi, canvas .cnv,\n"
    "item .itm) and JPEG, BMP and PNG images by their content, as zavik view does.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Messages go to standard error as UTF-8.\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "-h") == 0 || std::strcmp(command, "--help") == 0 || std::strcmp(command, "help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (std::strcmp(command, "--version") == 0) {
        std::printf("zavik %s\n", kVersionText);
        return 0;
    }
    std::fprintf(stderr, "zavik: unknown command '%s' (see zavik --help)\n", command);
    return 2;
}
