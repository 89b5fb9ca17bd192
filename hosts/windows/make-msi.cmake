# Makes the MSI (cmake -P, from the target zavik_msi of CMakeLists.txt in
# this folder): installs the programs and the hosts, stripped as in the
# download archive, into a staging folder, has wixl build the package from
# zavik.wxs there, then mends what wixl 0.101 writes wrongly.
#
# Variables: BUILD_DIR, SOURCE_DIR, STAGE, OUTPUT, ARCH (x64 or x86),
# VERSION, WIXL, MSIINFO, MSIBUILD, STRIP_X86 and WIC_X86 (x64 only: the
# 32-bit decoder and a strip for it).
file(REMOVE_RECURSE ${STAGE})
foreach(component programs windows_hosts)
    execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGE} --component ${component} --strip
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
endforeach()
file(COPY ${SOURCE_DIR}/resources/icons/app.ico DESTINATION ${STAGE})
if(ARCH STREQUAL "x64")
    set(platform_defines -D Win64=yes -D ProgramFilesFolder=ProgramFiles64Folder)
    if(NOT EXISTS "${WIC_X86}")
        message(FATAL_ERROR "no 32-bit WIC decoder at ${WIC_X86}: the 64-bit installer carries it too")
    endif()
    file(MAKE_DIRECTORY ${STAGE}/x86)
    execute_process(COMMAND ${STRIP_X86} -o ${STAGE}/x86/zavik_wic.dll ${WIC_X86} COMMAND_ERROR_IS_FATAL ANY)
else()
    set(platform_defines -D Win64=no -D ProgramFilesFolder=ProgramFilesFolder)
endif()
# The project's licence, where it states one, as the archive carries it.
if(EXISTS ${STAGE}/LICENSES/zavik.txt)
    list(APPEND platform_defines -D ProjectLicence=yes)
else()
    list(APPEND platform_defines -D ProjectLicence=no)
endif()
# wixl reads the sources relative to the folder it runs in.
execute_process(COMMAND ${WIXL} -a ${ARCH} -D Version=${VERSION} -D Platform=${ARCH} ${platform_defines}
                        -o ${OUTPUT}.part ${SOURCE_DIR}/hosts/windows/zavik.wxs
                WORKING_DIRECTORY ${STAGE} COMMAND_ERROR_IS_FATAL ANY)

# Two values of the Registry table wixl writes wrongly. It writes the root
# HKMU as 4, which Windows Installer does not know: HKMU is -1 (HKCU for a
# per-user install, HKLM for a per-machine one). And it writes binary
# values as plain text: the table marks them with #x. The only binary
# values are the WIC decoder's patterns and masks.
execute_process(COMMAND ${MSIINFO} export ${OUTPUT}.part Registry
                OUTPUT_VARIABLE registry COMMAND_ERROR_IS_FATAL ANY)
string(REGEX REPLACE "\n(reg[0-9A-F]+)\t4\t" "\n\\1\t-1\t" registry "${registry}")
string(REGEX REPLACE "\t(Pattern|Mask)\t([0-9A-F]+)\t" "\t\\1\t#x\\2\t" registry "${registry}")
if(registry MATCHES "\nreg[0-9A-F]+\t4\t" OR registry MATCHES "\t(Pattern|Mask)\t[^#]")
    message(FATAL_ERROR "a row of the Registry table of ${OUTPUT}.part was not mended")
endif()
file(WRITE ${STAGE}/Registry.idt "${registry}")
execute_process(COMMAND ${MSIBUILD} ${OUTPUT}.part -i ${STAGE}/Registry.idt COMMAND_ERROR_IS_FATAL ANY)
file(RENAME ${OUTPUT}.part ${OUTPUT})
