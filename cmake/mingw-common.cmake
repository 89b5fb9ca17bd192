# Cross build for Windows with MinGW-w64, included by the toolchain file of
# each architecture after it has set ZAVIK_MINGW_ARCH (i686 or x86_64). The
# libraries come from scripts/build-deps (static, in .cache/deps/ARCH unless
# ZAVIK_MINGW_DEPS names another prefix); tests run under Wine through
# scripts/wine-run, in the prefix of that architecture.
set(_zavik_host ${ZAVIK_MINGW_ARCH}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
if(ZAVIK_MINGW_ARCH STREQUAL "x86_64")
    set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
    set(CMAKE_SYSTEM_PROCESSOR x86)
endif()
set(CMAKE_C_COMPILER ${_zavik_host}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_zavik_host}-g++-posix)
set(CMAKE_RC_COMPILER ${_zavik_host}-windres)

if(DEFINED ENV{ZAVIK_MINGW_DEPS})
    set(ZAVIK_MINGW_DEPS $ENV{ZAVIK_MINGW_DEPS})
else()
    get_filename_component(ZAVIK_MINGW_DEPS "${CMAKE_CURRENT_LIST_DIR}/../.cache/deps/${ZAVIK_MINGW_ARCH}" ABSOLUTE)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${_zavik_host} ${ZAVIK_MINGW_DEPS})
set(CMAKE_PREFIX_PATH ${ZAVIK_MINGW_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static libraries only.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

get_filename_component(_zavik_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_zavik_root}/scripts/wine-run ${ZAVIK_MINGW_ARCH})
