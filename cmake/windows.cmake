# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# Windows: the app (and, where Qt WebEngine is found, its helper) in bin/ with what it needs from Qt
# and the compiler beside it, and CPack's NSIS installer and ZIP of that tree.

# Where the DLLs that the programs built here load are: Qt's bin folder, and for MinGW wherever the
# compiler keeps its runtime (Debian splits it over two folders, MSYS2 keeps it beside the compiler).
# The deploy copies from there; tests run under Wine load from there.
set(WINDOWS_DLL_DIRS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
set(_runtime_dlls "")
# The runtime's licences go with it too: winpthreads' terms ask for its notice beside every copy,
# and GCC's runtime is under the GPL with its runtime exception. Debian says both in the copyright
# file of the package each DLL comes from.
set(_runtime_packages "")
if(MINGW)
    set(_runtime_dlls libgcc_s_seh-1 libstdc++-6 libwinpthread-1 libssp-0)
    cmake_path(GET CMAKE_CXX_COMPILER PARENT_PATH _dir)
    list(APPEND WINDOWS_DLL_DIRS "${_dir}")
    find_program(DPKG_EXECUTABLE dpkg)
    foreach(_dll IN LISTS _runtime_dlls)
        execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=${_dll}.dll
            OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(IS_ABSOLUTE "${_path}")
            cmake_path(GET _path PARENT_PATH _dir)
            list(APPEND WINDOWS_DLL_DIRS "${_dir}")
            if(DPKG_EXECUTABLE)
                file(REAL_PATH "${_path}" _path)
                execute_process(COMMAND "${DPKG_EXECUTABLE}" -S "${_path}"
                    OUTPUT_VARIABLE _package OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
                string(REGEX REPLACE ":.*" "" _package "${_package}")
                list(APPEND _runtime_packages ${_package})
            endif()
        endif()
    endforeach()
    list(REMOVE_DUPLICATES WINDOWS_DLL_DIRS)
    list(REMOVE_DUPLICATES _runtime_packages)
endif()

if(BUILD_HANDOFF_HELPER)
    # The helper brings Qt WebEngine: its renderer process, resources and locales, which only Qt's
    # own deploy tool knows. qt_generate_deploy_app_script's OUTPUT_SCRIPT came with Qt 6.5 (Qt's
    # installer offers nothing older any more).
    if(Qt6_VERSION VERSION_LESS 6.5)
        message(FATAL_ERROR "Deploying the hand-off helper needs Qt 6.5 or later, not ${Qt6_VERSION}")
    endif()

    # windeployqt copies what each program links: for the app Qt Widgets and the `windows` platform
    # plugin; for the helper Qt WebEngine with QtWebEngineProcess.exe, its resources and locales; for
    # both the compiler's runtime. The helper runs on the same `windows` plugin (its page has no
    # view, so it never makes a window), so no other platform plugin is needed.
    foreach(target tolvane-qq-status ${HANDOFF_HELPER_NAME})
        qt_generate_deploy_app_script(TARGET ${target} OUTPUT_SCRIPT _deploy_script)
        install(SCRIPT "${_deploy_script}")
    endforeach()
    # Qt's deploy script runs windeployqt with `--dir .`, the install prefix, which is where
    # windeployqt copies QtWebEngineProcess.exe; the engine looks for it among Qt's library
    # executables (bin/, by the qt.conf the script writes) and beside the program. Beside the helper
    # it is found either way.
    install(CODE "
        file(GLOB _processes \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/QtWebEngineProcess*.exe\")
        foreach(_process IN LISTS _processes)
            get_filename_component(_name \"\${_process}\" NAME)
            file(RENAME \"\${_process}\"
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${_name}\")
        endforeach()")
else()
    # The app alone needs only qtbase. Qt's deploy API would run windeployqt, which a cross build
    # has on no version: Qt builds it only where it targets Windows (its feature's condition is
    # WIN32), and built for another system it cannot read a Windows program's imports
    # (readPeExecutable in its utils.cpp is "Not implemented." there). So CMake itself reads which
    # DLLs the app and its plugins load, and copies those that are Qt's or the compiler's runtime
    # (the rest are Windows' own). The plugins: the `windows` platform; the modern Windows style,
    # which holds both the Windows 11 style that Qt picks on Windows 11 and the Vista style it picks
    # on 10 (Qt 6.7 brought it); and the image formats of the pictures beyond BMP, which Qt reads
    # itself.
    if(Qt6_VERSION VERSION_LESS 6.7)
        message(FATAL_ERROR "The Windows package carries the Windows 11 style, which came with "
            "Qt 6.7; this Qt is ${Qt6_VERSION}")
    endif()
    set(_plugins QWindowsIntegrationPlugin QModernWindowsStylePlugin QGifPlugin QJpegPlugin
        QICOPlugin)

    foreach(_plugin IN LISTS _plugins)
        get_target_property(_type Qt6::${_plugin} QT_PLUGIN_TYPE)
        install(IMPORTED_RUNTIME_ARTIFACTS Qt6::${_plugin}
            LIBRARY DESTINATION "${CMAKE_INSTALL_BINDIR}/${_type}")
        list(APPEND _plugin_files "$<TARGET_FILE:Qt6::${_plugin}>")
    endforeach()
    # Only Qt's and the runtime's DLLs; MSVC's runtime comes from Microsoft's redistributable.
    list(JOIN _runtime_dlls "|" _runtime_pattern)
    string(REPLACE "+" "\\\\+" _runtime_pattern "${_runtime_pattern}")
    install(CODE "
        set(PROGRAMS \"$<TARGET_FILE:tolvane-qq-status>\")
        set(PLUGINS \"${_plugin_files}\")
        set(DLL_DIRS \"${WINDOWS_DLL_DIRS}\")
        set(DLL_PATTERN \"^(qt6[a-z]+|${_runtime_pattern})\\\\.dll$\")
        set(DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        set(STRIP \"$<$<BOOL:${MINGW}>:${CMAKE_STRIP}>\")")
    # Reading a Windows program's imports on another system takes the cross binutils' objdump.
    if(CMAKE_CROSSCOMPILING)
        install(CODE "
            set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
            set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
            set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND \"${CMAKE_OBJDUMP}\")")
    endif()
    install(SCRIPT "${CMAKE_CURRENT_LIST_DIR}/windows_runtime_dlls.cmake")

    # Qt is under the LGPL: its licence goes with its DLLs (the build that made them keeps it
    # beside them).
    file(GLOB _qt_licences "${QT6_INSTALL_PREFIX}/licenses/*")
    install(FILES ${_qt_licences} DESTINATION licenses/Qt)
    foreach(_package IN LISTS _runtime_packages)
        install(FILES "/usr/share/doc/${_package}/copyright" DESTINATION licenses/MinGW
            RENAME "${_package}.txt")
    endforeach()
    message(STATUS "Windows: the app without the hand-off helper (no Qt WebEngine), with Qt's "
        "DLLs, plugins and the compiler's runtime beside it; the Linux desktop files, manual page "
        "and Debian package are left out")
endif()

set(CPACK_GENERATOR NSIS ZIP)
# One installer with everything: the install components only split the Debian packages.
set(CPACK_MONOLITHIC_INSTALL ON)
unset(CPACK_COMPONENTS_ALL)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "${APP_DISPLAY_NAME}")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "${PROJECT_NAME}")
# The Start menu gets the app under its display name (and the uninstaller beside it).
set(CPACK_PACKAGE_EXECUTABLES "${APP_DISPLAY_NAME}" "${APP_DISPLAY_NAME}")
set(CPACK_NSIS_PACKAGE_NAME "${APP_DISPLAY_NAME}")
set(CPACK_NSIS_DISPLAY_NAME "${APP_DISPLAY_NAME}")
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/resources/images/app.ico")
set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/resources/images/app.ico")
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\${APP_DISPLAY_NAME}.exe")
set(CPACK_NSIS_URL_INFO_ABOUT "${PROJECT_HOMEPAGE_URL}")
set(CPACK_NSIS_CONTACT "${CPACK_PACKAGE_CONTACT}")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# A 64-bit installer for the 64-bit app: NSIS's amd64-unicode stubs, so that installing takes
# nothing 32-bit (a kernel without 32-bit support runs it under Wine too), and the app goes to the
# 64-bit Program Files and its uninstall key to the registry's 64-bit view. Unicode, since the
# script CPack writes is UTF-8: an ANSI installer shows the Chinese names only where the system code
# page happens to be Chinese. CPack's NSIS template writes CPACK_NSIS_DEFINES near its top, before
# any file is compressed, which `Target` needs, and fills it itself only for component installs,
# which this is not.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
