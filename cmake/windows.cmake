# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# Windows: the app and its helper in bin/, Qt deployed beside them by Qt's own deploy tool, and
# CPack's NSIS installer and ZIP of that tree. Kept to what Qt's and CMake's documentation promise.

# qt_generate_deploy_app_script's OUTPUT_SCRIPT came with Qt 6.5 (Qt's installer offers nothing
# older any more).
if(Qt6_VERSION VERSION_LESS 6.5)
    message(FATAL_ERROR "Deploying on Windows needs Qt 6.5 or later, not ${Qt6_VERSION}")
endif()

# windeployqt copies what each program links: for the app Qt Widgets and the `windows` platform
# plugin; for the helper Qt WebEngine with QtWebEngineProcess.exe, its resources and locales; for
# both the compiler's runtime. The helper runs on the same `windows` plugin (its page has no view,
# so it never makes a window), so no other platform plugin is needed.
set(_deployed tolvane-qq-status)
if(BUILD_HANDOFF_HELPER)
    list(APPEND _deployed ${HANDOFF_HELPER_NAME})
endif()
foreach(target IN LISTS _deployed)
    qt_generate_deploy_app_script(TARGET ${target} OUTPUT_SCRIPT _deploy_script)
    install(SCRIPT "${_deploy_script}")
endforeach()
# Qt's deploy script runs windeployqt with `--dir .`, the install prefix, which is where windeployqt
# copies QtWebEngineProcess.exe; the engine looks for it among Qt's library executables (bin/, by
# the qt.conf the script writes) and beside the program. Beside the helper it is found either way.
install(CODE "
    file(GLOB _processes \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/QtWebEngineProcess*.exe\")
    foreach(_process IN LISTS _processes)
        get_filename_component(_name \"\${_process}\" NAME)
        file(RENAME \"\${_process}\"
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${_name}\")
    endforeach()")

set(CPACK_GENERATOR NSIS ZIP)
# One installer with everything: the install components only split the Debian packages.
set(CPACK_MONOLITHIC_INSTALL ON)
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
# The script CPack writes is UTF-8; without `Unicode True` NSIS makes an ANSI installer, which
# shows the Chinese names only where the system code page happens to be Chinese. CPack's NSIS
# template writes CPACK_NSIS_DEFINES near its top, before any file is compressed, and fills it
# itself only for component installs, which this is not.
set(CPACK_NSIS_DEFINES "Unicode True")
