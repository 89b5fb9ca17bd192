# Run by cpack after it made the Debian packages (CPACK_POST_BUILD_SCRIPTS,
# set in CMakeLists.txt), for what the DEB generator of the CMake versions
# this project builds with cannot say:
#
# - "Multi-Arch: same" for the packages in CPACK_ZAVIK_MULTIARCH_SAME, so that
#   the library and its development files of several architectures install
#   side by side (their files are in lib/<triplet> or are the same bytes on
#   every architecture);
# - the ldconfig trigger alone: CPack writes a postinst and a postrm calling
#   ldconfig for any package with a library in /usr/lib, where Debian wants
#   the trigger "activate-noawait ldconfig" (the package's triggers file,
#   CPACK_DEBIAN_<COMPONENT>_PACKAGE_CONTROL_EXTRA) and no such calls.
#
# Each package is unpacked and packed again by dpkg-deb, which checks the
# control file it writes.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    if(NOT deb MATCHES "[.]deb$")
        continue()
    endif()
    execute_process(COMMAND dpkg-deb -f ${deb} Package OUTPUT_VARIABLE package
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    if(NOT package IN_LIST CPACK_ZAVIK_MULTIARCH_SAME)
        continue()
    endif()
    set(tree ${deb}.tree)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb -R ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)

    file(READ ${tree}/DEBIAN/control control)
    string(REGEX REPLACE "(^|\n)(Architecture: [^\n]*\n)" "\\1\\2Multi-Arch: same\n" control "${control}")
    if(NOT control MATCHES "\nMulti-Arch: same\n")
        message(FATAL_ERROR "${package}'s control file has no Architecture field:\n${control}")
    endif()
    file(WRITE ${tree}/DEBIAN/control "${control}")

    if(EXISTS ${tree}/DEBIAN/triggers)
        file(STRINGS ${tree}/DEBIAN/triggers triggers)
        if("activate-noawait ldconfig" IN_LIST triggers)
            # Only scripts that do nothing but call ldconfig go: anything
            # else in them would be lost silently.
            foreach(script postinst postrm)
                if(EXISTS ${tree}/DEBIAN/${script})
                    file(READ ${tree}/DEBIAN/${script} text)
                    string(REGEX REPLACE "\n\tldconfig\n" "\n" rest "${text}")
                    if(rest STREQUAL text OR rest MATCHES "ldconfig|\n\t")
                        message(FATAL_ERROR "${package}'s ${script} does more than call ldconfig:\n${text}")
                    endif()
                    file(REMOVE ${tree}/DEBIAN/${script})
                endif()
            endforeach()
        endif()
    endif()

    execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip -b ${tree} ${deb}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
endforeach()
