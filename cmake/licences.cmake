# The licences the packages carry, included by CMakeLists.txt before its
# install rules.
#
# The project's own licence is the one file LICENSES/<SPDX identifier>.txt at
# the top of the sources (the REUSE layout). The Windows archives carry its
# text as LICENSES/zavik.txt; the Debian package's copyright file names it
# and quotes it. Where there is none, the packages carry the copyright
# notice alone, claiming no licence the authors have not stated.
set(ZAVIK_LICENSE_DIR ${CMAKE_SOURCE_DIR}/LICENSES CACHE PATH
    "Folder of the project's licence, <SPDX identifier>.txt")
file(GLOB ZAVIK_LICENSE_FILE CONFIGURE_DEPENDS ${ZAVIK_LICENSE_DIR}/*.txt)
list(LENGTH ZAVIK_LICENSE_FILE _zavik_licence_count)
if(_zavik_licence_count GREATER 1)
    message(FATAL_ERROR "${ZAVIK_LICENSE_DIR} holds ${_zavik_licence_count} licences: "
                        "the packages say which one applies, so keep one")
endif()
get_filename_component(ZAVIK_LICENSE_NAME "${ZAVIK_LICENSE_FILE}" NAME_WLE)

# The holder and year of the programs' version resource, in English.
file(STRINGS ${CMAKE_SOURCE_DIR}/resources/program_info.rc _zavik_notice REGEX "LegalCopyright")
string(REGEX MATCH "[0-9][0-9][0-9][0-9]" _zavik_year "${_zavik_notice}")
set(ZAVIK_COPYRIGHT "${_zavik_year} zavik view developers")

# zavik_install_dependency_licences(DESTINATION): the licence files of the
# libraries linked into a Windows program, which ask that a binary's
# documentation carry them. They are read from the upstream sources inside
# the Debian source packages scripts/build-deps built the libraries from, in
# the versions its stamp records, so the texts are those of the libraries
# linked in. Without those sources (a build against other libraries) the
# programs still build, but installing them, and so packing, stops: an
# archive must not go out without its licences.
function(zavik_install_dependency_licences destination)
    # source package, file in its upstream tree, name in the archive
    set(wanted
        "zlib LICENSE zlib.txt"
        "libpng1.6 LICENSE libpng.txt"
        "libjpeg-turbo LICENSE.md libjpeg-turbo.txt"
        "libjpeg-turbo README.ijg libjpeg-turbo-README.ijg.txt")
    if(DEFINED ENV{ZAVIK_DEPS_CACHE})
        set(sources $ENV{ZAVIK_DEPS_CACHE}/sources)
    else()
        set(sources ${CMAKE_SOURCE_DIR}/.cache/deps/sources)
    endif()
    set(stamp ${ZAVIK_MINGW_DEPS}/.stamp)
    set(out ${CMAKE_BINARY_DIR}/dependency-licences)
    set(missing "")
    if(EXISTS ${stamp})
        set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${stamp})
    endif()
    foreach(entry IN LISTS wanted)
        string(REPLACE " " ";" entry "${entry}")
        list(GET entry 0 package)
        list(GET entry 1 member)
        list(GET entry 2 name)
        # The version as the stamp records it (zlib=1:1.2.13.dfsg-1); file
        # names drop the epoch.
        set(version "")
        if(EXISTS ${stamp})
            file(STRINGS ${stamp} version REGEX "^${package}=")
            string(REGEX REPLACE "^[^=]*=([0-9]+:)?" "" version "${version}")
        endif()
        set(dsc ${sources}/${package}_${version}.dsc)
        set(orig "")
        if(version AND EXISTS ${dsc})
            # A line of its file lists: " CHECKSUM SIZE NAME".
            file(STRINGS ${dsc} orig REGEX " [^ ]+[.]orig[.]tar[.][a-z0-9]+$")
            string(REGEX REPLACE "^[^;]* ([^ ;]+)(;.*)?$" "\\1" orig "${orig}")
        endif()
        set(tree ${out}/${name})
        file(REMOVE_RECURSE ${tree})
        set(text "")
        if(orig AND EXISTS ${sources}/${orig})
            file(ARCHIVE_EXTRACT INPUT ${sources}/${orig} DESTINATION ${tree} PATTERNS "*/${member}")
            # Only the top of the upstream tree: libpng has a LICENSE of a
            # contributed program too.
            file(GLOB text LIST_DIRECTORIES false ${tree}/*/${member})
        endif()
        if(text)
            install(FILES ${text} DESTINATION ${destination} RENAME ${name})
        else()
            string(APPEND missing " ${package}:${member}")
        endif()
    endforeach()
    if(missing)
        message(WARNING "No licence texts for${missing} (looked for the sources scripts/build-deps "
                        "recorded in ${stamp}, in ${sources}): installing and packing will stop")
        install(CODE "message(FATAL_ERROR \"the libraries' licences are missing:${missing}; run scripts/build-deps\")")
    endif()
endfunction()
