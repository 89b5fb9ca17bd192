#pragma once

// The version shown by the About box and the command-line tool.
#define ZAVIK_VERSION_TEXT "5.4"
constexpr const char kVersionText[] = ZAVIK_VERSION_TEXT;
