# Cross build for 32-bit Windows with MinGW-w64. The libraries come from
# scripts/build-mingw-deps (static, in .cache/mingw-deps/i686 unless
# ZAVIK_MINGW_DEPS names another prefix); tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
# Floating point in SSE2 registers, as on every other build: x87 excess
# precision would change where the view's and the layers' double-precision
# blends truncate.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

if(DEFINED ENV{ZAVIK_MINGW_DEPS})
    set(ZAVIK_MINGW_DEPS $ENV{ZAVIK_MINGW_DEPS})
else()
    get_filename_component(ZAVIK_MINGW_DEPS "${CMAKE_CURRENT_LIST_DIR}/../.cache/mingw-deps/i686" ABSOLUTE)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32 ${ZAVIK_MINGW_DEPS})
set(CMAKE_PREFIX_PATH ${ZAVIK_MINGW_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static libraries only.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

get_filename_component(_zavik_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_zavik_root}/scripts/wine-run)
