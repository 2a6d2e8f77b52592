# Builds the Debian package of the build tree BUILD_DIR into WORK_DIR and checks what it holds and
# what it pulls in.
#   cmake -DBUILD_DIR=<build tree> -DWORK_DIR=<scratch folder> -DVERSION=<x.y.z.w> -P check_package.cmake

foreach(tool dpkg-deb dpkg-shlibdeps)
    find_program(found_${tool} ${tool})
    if(NOT found_${tool})
        message("SKIPPED: ${tool} is not installed (Debian package dpkg-dev)")
        return()
    endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(
    COMMAND "${CMAKE_CPACK_COMMAND}" -G DEB -B "${WORK_DIR}" --config "${BUILD_DIR}/CPackConfig.cmake"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB packages "${WORK_DIR}/*.deb")
list(LENGTH packages count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "cpack made ${count} packages: ${packages}")
endif()

set(problems "")
execute_process(COMMAND "${found_dpkg-deb}" -c ${packages} OUTPUT_VARIABLE contents
    COMMAND_ERROR_IS_FATAL ANY)
set(expected
    "-rwxr-xr-x [^\n]* ./usr/bin/tolvane-qq-status\n"
    "-rwxr-xr-x [^\n]* ./usr/libexec/tolvane-qq-status/tolvane-qq-handoff\n"
    " ./usr/share/applications/tolvane-qq-status.desktop\n"
    " ./usr/share/metainfo/com.tolvane.qq_status.metainfo.xml\n")
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

execute_process(COMMAND "${found_dpkg-deb}" -f ${packages} Package Version Depends Recommends
    OUTPUT_VARIABLE control COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "." "\\." version "${VERSION}")
foreach(pattern
        "Package: tolvane-qq-status\n"
        "Version: ${version}\n"
        "Depends: [^\n]*libqt6widgets6"
        "Depends: [^\n]*libqt6webenginecore6 "
        "Depends: [^\n]*libqt6webenginecore6-bin"
        "Recommends: [^\n]*fonts-noto-cjk")
    if(NOT control MATCHES "${pattern}")
        string(APPEND problems "no control field matching \"${pattern}\"\n")
    endif()
endforeach()

if(problems)
    message(FATAL_ERROR "${problems}\nContents:\n${contents}\nControl:\n${control}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
