# Cross build for 64-bit Windows with MinGW-w64: the same program, for
# machines that run no 32-bit code (and users who want a 64-bit one).
set(ZAVIK_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
