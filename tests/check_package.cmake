# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# Builds the Debian packages of the build tree BUILD_DIR into WORK_DIR and checks what they hold,
# what they pull in, and what lintian says of them. WITH_HELPER: whether the build has the hand-off
# helper, and so a package of it.
#   cmake -DBUILD_DIR=<build tree> -DWORK_DIR=<scratch folder> -DVERSION=<x.y.z.w>
#         -DWITH_HELPER=ON|OFF -P check_package.cmake

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

# The app's package, and where the build has the helper, the helper's; each with its debug
# symbols. The helper's package holds the helper and nothing else of the program.
set(app tolvane-qq-status)
set(handoff tolvane-qq-status-handoff)
set(packages ${app})
if(WITH_HELPER)
    list(APPEND packages ${handoff})
endif()
set(version_file "${VERSION}_[a-z0-9]+")
file(GLOB made RELATIVE "${WORK_DIR}" "${WORK_DIR}/*.deb" "${WORK_DIR}/*.ddeb")
set(expected_made "")
foreach(name IN LISTS packages)
    list(APPEND expected_made "${name}_${version_file}\\.deb" "${name}-dbgsym_${version_file}\\.ddeb")
endforeach()
list(LENGTH made made_count)
list(LENGTH expected_made expected_count)
foreach(pattern IN LISTS expected_made)
    if(NOT made MATCHES "(^|;)${pattern}(;|$)")
        string(APPEND problems "no package file matching ${pattern}\n")
    endif()
endforeach()
if(problems OR NOT made_count EQUAL expected_count)
    message(FATAL_ERROR "cpack made ${made} instead of ${expected_made}:\n${problems}")
endif()
foreach(name IN LISTS packages)
    file(GLOB deb_${name} "${WORK_DIR}/${name}_*.deb")
    file(GLOB ddeb_${name} "${WORK_DIR}/${name}-dbgsym_*.ddeb")
    execute_process(COMMAND "${found_dpkg-deb}" -c ${deb_${name}} OUTPUT_VARIABLE contents_${name}
        COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND "${found_dpkg-deb}" -f ${deb_${name}} Package Source Version Depends
        Recommends Replaces Description OUTPUT_VARIABLE control_${name} COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND "${found_dpkg-deb}" -x ${deb_${name}} "${WORK_DIR}/root"
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# What each package holds.
set(doc "./usr/share/doc/${app}")
set(helper "./usr/libexec/tolvane-qq-status/tolvane-qq-handoff")
set(expected_app
    "-rwxr-xr-x [^\n]* ./usr/bin/tolvane-qq-status\n"
    " ./usr/share/applications/tolvane-qq-status.desktop\n"
    " ./usr/share/metainfo/com.tolvane.qq_status.metainfo.xml\n"
    "-rw-r--r-- [^\n]* ${doc}/copyright\n"
    "-rw-r--r-- [^\n]* ${doc}/changelog.gz\n"
    "-rw-r--r-- [^\n]* ./usr/share/man/man1/tolvane-qq-status.1.gz\n")
foreach(size 16 24 32 48 64 72 96 128)
    list(APPEND expected_app " ./usr/share/icons/hicolor/${size}x${size}/apps/tolvane-qq-status.png\n")
endforeach()
set(expected_handoff
    "-rwxr-xr-x [^\n]* ${helper}\n"
    "-rw-r--r-- [^\n]* ./usr/share/doc/${handoff}/copyright\n"
    "-rw-r--r-- [^\n]* ./usr/share/doc/${handoff}/changelog.gz\n")
foreach(name IN LISTS packages)
    set(key app)
    if(name STREQUAL handoff)
        set(key handoff)
    endif()
    foreach(pattern IN LISTS expected_${key})
        if(NOT contents_${name} MATCHES "${pattern}")
            string(APPEND problems "${name}: no file matching \"${pattern}\"\n")
        endif()
    endforeach()
endforeach()
# Nothing but the app itself goes on the user's PATH, and the helper only comes with its package.
string(REGEX MATCHALL " ./usr/bin/[^\n]+" programs "${contents_${app}}")
if(NOT programs STREQUAL " ./usr/bin/tolvane-qq-status")
    string(APPEND problems "programs on the PATH: ${programs}\n")
endif()
if(contents_${app} MATCHES "/libexec/")
    string(APPEND problems "${app} holds the helper:\n${contents_${app}}\n")
endif()
if(WITH_HELPER)
    string(REGEX MATCHALL "[^\n]* \\./usr/[^\n]*[^/]\n" files "${contents_${handoff}}")
    list(LENGTH files file_count)
    if(NOT file_count EQUAL 3)
        string(APPEND problems "${handoff} holds more than its helper:\n${contents_${handoff}}\n")
    endif()
endif()

# The app depends on Qt Widgets and Network and on no part of the web engine, which comes with the
# helper's package that the app only recommends. The helper's package depends on the web engine
# and on the app of the very same version, whose protocol it speaks.
string(REPLACE "." "\\." version "${VERSION}")
set(control_patterns_app
    "Package: tolvane-qq-status\n"
    "Version: ${version}\n"
    "Depends: [^\n]*libqt6core6"
    "Depends: [^\n]*libqt6gui6"
    "Depends: [^\n]*libqt6widgets6"
    "Depends: [^\n]*libqt6network6"
    "Recommends: [^\n]*${handoff}[,\n]"
    "Recommends: [^\n]*fonts-noto-cjk"
    "Description: [^\n]+\n [^\n]+")
set(control_patterns_handoff
    "Package: ${handoff}\n"
    "Source: tolvane-qq-status\n"
    "Version: ${version}\n"
    "Depends: ([^\n]*, )?tolvane-qq-status \\(= ${version}\\)[,\n]"
    "Depends: [^\n]*libqt6webenginecore6 "
    "Depends: [^\n]*libqt6webenginecore6-bin"
    "Description: [^\n]+\n [^\n]+")
foreach(name IN LISTS packages)
    set(key app)
    if(name STREQUAL handoff)
        set(key handoff)
    endif()
    foreach(pattern IN LISTS control_patterns_${key})
        if(NOT control_${name} MATCHES "${pattern}")
            string(APPEND problems "${name}: no control field matching \"${pattern}\"\n")
        endif()
    endforeach()
endforeach()
string(REGEX MATCH "Depends: [^\n]*" app_depends "${control_${app}}")
string(TOLOWER "${app_depends}" app_depends)
if(app_depends MATCHES "webengine|qt6quick|qt6qml|libnss3")
    string(APPEND problems "${app} depends on the web engine: ${app_depends}\n")
endif()

# Each debug-symbol package holds the debug information of exactly the programs in its package,
# found by their build ids as gdb looks them up; the programs themselves carry a stack protector.
set(programs_app usr/bin/tolvane-qq-status)
set(programs_handoff usr/libexec/tolvane-qq-status/tolvane-qq-handoff)
foreach(name IN LISTS packages)
    set(key app)
    if(name STREQUAL handoff)
        set(key handoff)
    endif()
    execute_process(COMMAND "${found_dpkg-deb}" -c ${ddeb_${name}} OUTPUT_VARIABLE symbol_contents
        COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND "${found_dpkg-deb}" -f ${ddeb_${name}} Package Depends
        OUTPUT_VARIABLE symbol_control COMMAND_ERROR_IS_FATAL ANY)
    if(NOT symbol_control MATCHES "Package: ${name}-dbgsym\nDepends: ${name} \\(= ${version}\\)")
        string(APPEND problems "debug-symbol package control:\n${symbol_control}\n")
    endif()
    string(REGEX MATCHALL "\\.debug\n" debug_files "${symbol_contents}")
    list(LENGTH debug_files debug_file_count)
    if(NOT debug_file_count EQUAL 1)
        string(APPEND problems "${name}-dbgsym holds ${debug_file_count} debug files:\n${symbol_contents}\n")
    endif()
    foreach(program IN LISTS programs_${key})
        execute_process(COMMAND "${found_readelf}" --notes --sections --dyn-syms --wide
            "${WORK_DIR}/root/${program}" OUTPUT_VARIABLE elf COMMAND_ERROR_IS_FATAL ANY)
        if(NOT elf MATCHES "Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)")
            string(APPEND problems "${program} has no build id\n")
        elseif(NOT symbol_contents MATCHES " ./usr/lib/debug/.build-id/${CMAKE_MATCH_1}/${CMAKE_MATCH_2}\\.debug\n")
            string(APPEND problems "no debug information for ${program} in ${name}-dbgsym\n")
        endif()
        if(elf MATCHES " \\.debug_info ")
            string(APPEND problems "${program} still carries its debug information\n")
        endif()
        if(NOT elf MATCHES " __stack_chk_fail")
            string(APPEND problems "${program} is built without a stack protector\n")
        endif()
    endforeach()
endforeach()

# The manual page names the helper where its package puts it (the package's prefix, whatever
# prefix the build tree was configured with).
execute_process(COMMAND gzip -dc "${WORK_DIR}/root/usr/share/man/man1/tolvane-qq-status.1.gz"
    OUTPUT_VARIABLE manual COMMAND_ERROR_IS_FATAL ANY)
if(NOT manual MATCHES "\n\\.I /usr/libexec/tolvane-qq-status/tolvane-qq-handoff\n")
    string(APPEND problems "the manual page does not name the helper's place:\n${manual}\n")
endif()

# lintian has nothing to say of any of the packages, checked together as they are shipped.
file(GLOB all_made "${WORK_DIR}/*.deb" "${WORK_DIR}/*.ddeb")
execute_process(COMMAND "${found_lintian}" --display-info --pedantic --no-cfg ${all_made}
    RESULT_VARIABLE result OUTPUT_VARIABLE lintian ERROR_VARIABLE lintian_errors)
if(lintian OR NOT result EQUAL 0)
    string(APPEND problems "lintian (${result}):\n${lintian}${lintian_errors}\n")
endif()

if(problems)
    set(summary "")
    foreach(name IN LISTS packages)
        string(APPEND summary "\n${name}:\n${contents_${name}}${control_${name}}")
    endforeach()
    message(FATAL_ERROR "${problems}${summary}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
