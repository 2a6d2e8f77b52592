# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# Builds the Debian packages of the build tree BUILD_DIR into WORK_DIR and checks what they hold,
# what they pull in, and what lintian says of them.
#   cmake -DBUILD_DIR=<build tree> -DWORK_DIR=<scratch folder> -DVERSION=<x.y.z.w> -P check_package.cmake

# A check that cannot run has not passed.
foreach(tool dpkg-deb dpkg-shlibdeps lintian readelf)
    find_program(found_${tool} ${tool})
    if(NOT found_${tool})
        message(FATAL_ERROR "${tool} is not installed (Debian packages dpkg-dev, lintian, binutils)")
    endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
set(cpack "${CMAKE_CPACK_COMMAND}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake")
set(problems "")

# Where dpkg-shlibdeps cannot be found, cpack stops before packaging anything.
file(MAKE_DIRECTORY "${WORK_DIR}/empty-path")
execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env "PATH=${WORK_DIR}/empty-path"
        ${cpack} -B "${WORK_DIR}/without-shlibdeps" -D CMAKE_FIND_USE_CMAKE_SYSTEM_PATH=OFF
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB made "${WORK_DIR}/without-shlibdeps/*.deb")
if(result EQUAL 0 OR made OR NOT output MATCHES "dpkg-shlibdeps is missing")
    string(APPEND problems "cpack without dpkg-shlibdeps did not stop (${result}):\n${output}\n")
endif()

execute_process(COMMAND ${cpack} -B "${WORK_DIR}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB package "${WORK_DIR}/*.deb")
file(GLOB symbols "${WORK_DIR}/*.ddeb")
list(LENGTH package packages)
list(LENGTH symbols symbol_packages)
if(NOT packages EQUAL 1 OR NOT symbol_packages EQUAL 1)
    message(FATAL_ERROR "cpack made ${packages} packages and ${symbol_packages} debug-symbol "
        "packages instead of one each: ${package} ${symbols}")
endif()

execute_process(COMMAND "${found_dpkg-deb}" -c ${package} OUTPUT_VARIABLE contents
    COMMAND_ERROR_IS_FATAL ANY)
set(doc "./usr/share/doc/tolvane-qq-status")
set(expected
    "-rwxr-xr-x [^\n]* ./usr/bin/tolvane-qq-status\n"
    "-rwxr-xr-x [^\n]* ./usr/libexec/tolvane-qq-status/tolvane-qq-handoff\n"
    " ./usr/share/applications/tolvane-qq-status.desktop\n"
    " ./usr/share/metainfo/com.tolvane.qq_status.metainfo.xml\n"
    "-rw-r--r-- [^\n]* ${doc}/copyright\n"
    "-rw-r--r-- [^\n]* ${doc}/changelog.gz\n"
    "-rw-r--r-- [^\n]* ./usr/share/man/man1/tolvane-qq-status.1.gz\n")
foreach(size 16 24 32 48 64 72 96 128)
    list(APPEND expected " ./usr/share/icons/hicolor/${size}x${size}/apps/tolvane-qq-status.png\n")
endforeach()
foreach(pattern IN LISTS expected)
    if(NOT contents MATCHES "${pattern}")
        string(APPEND problems "no file matching \"${pattern}\"\n")
    endif()
endforeach()
# Nothing but the app itself goes on the user's PATH.
string(REGEX MATCHALL " ./usr/bin/[^\n]+" programs "${contents}")
if(NOT programs STREQUAL " ./usr/bin/tolvane-qq-status")
    string(APPEND problems "programs on the PATH: ${programs}\n")
endif()

execute_process(COMMAND "${found_dpkg-deb}" -f ${package} Package Version Depends Recommends
    Description OUTPUT_VARIABLE control COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "." "\\." version "${VERSION}")
foreach(pattern
        "Package: tolvane-qq-status\n"
        "Version: ${version}\n"
        "Depends: [^\n]*libqt6core6"
        "Depends: [^\n]*libqt6gui6"
        "Depends: [^\n]*libqt6widgets6"
        "Depends: [^\n]*libqt6network6"
        "Depends: [^\n]*libqt6webenginecore6 "
        "Depends: [^\n]*libqt6webenginecore6-bin"
        "Recommends: [^\n]*fonts-noto-cjk"
        "Description: [^\n]+\n [^\n]+")
    if(NOT control MATCHES "${pattern}")
        string(APPEND problems "no control field matching \"${pattern}\"\n")
    endif()
endforeach()

# The debug-symbol package holds the debug information of exactly the programs in the package,
# found by their build ids as gdb looks them up; the programs themselves carry a stack protector.
execute_process(COMMAND "${found_dpkg-deb}" -x ${package} "${WORK_DIR}/root"
    COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${found_dpkg-deb}" -c ${symbols} OUTPUT_VARIABLE symbol_contents
    COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${found_dpkg-deb}" -f ${symbols} Package Depends
    OUTPUT_VARIABLE symbol_control COMMAND_ERROR_IS_FATAL ANY)
if(NOT symbol_control MATCHES "Package: tolvane-qq-status-dbgsym\nDepends: tolvane-qq-status \\(= ${version}\\)")
    string(APPEND problems "debug-symbol package control:\n${symbol_control}\n")
endif()
foreach(program usr/bin/tolvane-qq-status usr/libexec/tolvane-qq-status/tolvane-qq-handoff)
    execute_process(COMMAND "${found_readelf}" --notes --sections --dyn-syms --wide
        "${WORK_DIR}/root/${program}" OUTPUT_VARIABLE elf COMMAND_ERROR_IS_FATAL ANY)
    if(NOT elf MATCHES "Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)")
        string(APPEND problems "${program} has no build id\n")
    elseif(NOT symbol_contents MATCHES " ./usr/lib/debug/.build-id/${CMAKE_MATCH_1}/${CMAKE_MATCH_2}\\.debug\n")
        string(APPEND problems "no debug information for ${program} in the debug-symbol package\n")
    endif()
    if(elf MATCHES " \\.debug_info ")
        string(APPEND problems "${program} still carries its debug information\n")
    endif()
    if(NOT elf MATCHES " __stack_chk_fail")
        string(APPEND problems "${program} is built without a stack protector\n")
    endif()
endforeach()

# The manual page names the helper where the package puts it (the package's prefix, whatever
# prefix the build tree was configured with).
execute_process(COMMAND gzip -dc "${WORK_DIR}/root/usr/share/man/man1/tolvane-qq-status.1.gz"
    OUTPUT_VARIABLE manual COMMAND_ERROR_IS_FATAL ANY)
if(NOT manual MATCHES "\n\\.I /usr/libexec/tolvane-qq-status/tolvane-qq-handoff\n")
    string(APPEND problems "the manual page does not name the helper's place:\n${manual}\n")
endif()

# lintian has nothing to say of either package, apart from one note on the debug-symbol package:
# its doc folder links to the main package's, and lintian, given no source package, cannot tell
# whether both come from the same source.
execute_process(COMMAND "${found_lintian}" --display-info --pedantic --no-cfg ${package} ${symbols}
    RESULT_VARIABLE result OUTPUT_VARIABLE lintian ERROR_VARIABLE lintian_errors)
set(accepted "tolvane-qq-status-dbgsym: cannot-check-whether-usr-share-doc-symlink-points-to-")
string(REGEX REPLACE "I: ${accepted}foreign-package\n?" "" tags "${lintian}")
if(tags OR NOT result EQUAL 0)
    string(APPEND problems "lintian (${result}):\n${lintian}${lintian_errors}\n")
endif()

if(problems)
    message(FATAL_ERROR "${problems}\nContents:\n${contents}\nControl:\n${control}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
