#pragma once

// The version shown by the About box, the command-line tool and the
// programs' version resources; CMakeLists.txt reads the project's version
// from here too, so this is the one place to change it.
#define ZAVIK_VERSION_MAJOR 5
#define ZAVIK_VERSION_MINOR 4
#define ZAVIK_VERSION_TEXT "5.4"
#ifndef RC_INVOKED
constexpr const char kVersionText[] = ZAVIK_VERSION_TEXT;
#endif
