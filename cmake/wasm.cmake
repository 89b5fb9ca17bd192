# The browser build: Debian's emscripten, with the libraries that
# scripts/build-deps wasm builds (static, in .cache/deps/wasm unless
# ZAVIK_WASM_DEPS names another prefix).
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

if(DEFINED ENV{ZAVIK_WASM_DEPS})
    set(ZAVIK_WASM_DEPS $ENV{ZAVIK_WASM_DEPS})
else()
    get_filename_component(ZAVIK_WASM_DEPS "${CMAKE_CURRENT_LIST_DIR}/../.cache/deps/wasm" ABSOLUTE)
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${ZAVIK_WASM_DEPS})
set(CMAKE_PREFIX_PATH ${ZAVIK_WASM_DEPS})
set(JPEG_INCLUDE_DIR "${ZAVIK_WASM_DEPS}/include" CACHE PATH "libjpeg headers")
set(JPEG_LIBRARY "${ZAVIK_WASM_DEPS}/lib/libjpeg.a" CACHE FILEPATH "static libjpeg")
set(PNG_PNG_INCLUDE_DIR "${ZAVIK_WASM_DEPS}/include" CACHE PATH "libpng headers")
set(PNG_LIBRARY "${ZAVIK_WASM_DEPS}/lib/libpng16.a" CACHE FILEPATH "static libpng")
set(ZLIB_INCLUDE_DIR "${ZAVIK_WASM_DEPS}/include" CACHE PATH "zlib headers")
set(ZLIB_LIBRARY "${ZAVIK_WASM_DEPS}/lib/libz.a" CACHE FILEPATH "static zlib")
