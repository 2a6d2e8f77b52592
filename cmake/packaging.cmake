# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# How the program is laid out once installed, and packaged: for Debian (`cpack -G DEB`) with its
# documentation and a debug-symbol package, and for Windows (cmake/windows.cmake).

set(CPACK_PACKAGE_NAME "${PROJECT_NAME}")
# All four parts: CPack would drop the fourth, and with it the build number.
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Tolvane")
set(CPACK_PACKAGE_CONTACT "Tolvane <support@tolvane.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# One line each, under 80 columns once Debian's control file indents them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "${APP_DISPLAY_NAME} asks the QQ instant-messaging service whether a"
    "number is online, and shows the answer beside an online or offline badge."
    "It also starts a chat with the number in the installed IM client, and"
    "opens the publisher's web site. It keeps no settings and writes no files.")
set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
# Checks that cpack makes before it packages anything (a missing tool), and what it does to the
# staged files and to the packages it made.
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/cpack_checks.cmake")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/deb_before_packing.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/deb_after_packing.cmake")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# Qt, and through the helper the web engine with its renderer process, come from what the
# binaries link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without a CJK font the windows show boxes for every character; xdg-open takes the home page and
# the IM client's links to the desktop; qt6-wayland runs the app natively on a Wayland desktop.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-wqy-microhei, xdg-utils, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The package's programs are stripped; their debug information goes to tolvane-qq-status-dbgsym,
# which debuggers find by build id under /usr/lib/debug.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)

# What Debian wants beside every package: its licence, its history, and a manual page.
if(UNIX AND NOT APPLE)
    # The package's version comes from here; its history has to start with that version.
    file(STRINGS "${PROJECT_SOURCE_DIR}/packaging/changelog" _latest LIMIT_COUNT 1)
    if(NOT _latest MATCHES "^${PROJECT_NAME} \\(${PROJECT_VERSION}\\) ")
        message(FATAL_ERROR "packaging/changelog starts with \"${_latest}\": add an entry for "
            "version ${PROJECT_VERSION}")
    endif()

    configure_file("${PROJECT_SOURCE_DIR}/packaging/changelog"
        "${PROJECT_BINARY_DIR}/packaging/changelog" COPYONLY)
    # Compressed as Debian's own tools do: maximum compression, and without name or time stamp so
    # that the same sources make the same package.
    find_program(GZIP_EXECUTABLE gzip REQUIRED)
    mark_as_advanced(GZIP_EXECUTABLE)
    set(_packaging_dir "${PROJECT_BINARY_DIR}/packaging")
    add_custom_command(OUTPUT "${_packaging_dir}/changelog.gz"
        COMMAND "${GZIP_EXECUTABLE}" -9n --force --keep changelog
        DEPENDS "${_packaging_dir}/changelog"
        WORKING_DIRECTORY "${_packaging_dir}"
        VERBATIM)
    add_custom_target(debian_changelog ALL DEPENDS "${_packaging_dir}/changelog.gz")
    install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" "${_packaging_dir}/changelog.gz"
        DESTINATION "${CMAKE_INSTALL_DOCDIR}")

    # The manual page names the helper's full path, so it is written when installing.
    install(CODE "
        set(MANUAL_SOURCE \"${PROJECT_SOURCE_DIR}/packaging/tolvane-qq-status.1.in\")
        set(MANUAL_WORK_DIR \"${_packaging_dir}\")
        set(MANUAL_DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1\")
        set(HELPER_INSTALL_DIR \"${HANDOFF_HELPER_INSTALL_DIR}\")
        set(HELPER_FILE_NAME \"${HANDOFF_HELPER_FILE_NAME}\")
        set(GZIP_EXECUTABLE \"${GZIP_EXECUTABLE}\")
        set(APP_DISPLAY_NAME \"${APP_DISPLAY_NAME}\")
        set(APP_VERSION_TEXT \"${APP_VERSION_TEXT}\")
        set(PROJECT_HOMEPAGE_URL \"${PROJECT_HOMEPAGE_URL}\")")
    install(SCRIPT "${CMAKE_CURRENT_LIST_DIR}/install_manual.cmake")
endif()

if(WIN32)
    include("${CMAKE_CURRENT_LIST_DIR}/windows.cmake")
elseif(UNIX AND NOT APPLE)
    set(CPACK_GENERATOR DEB)
endif()

include(CPack)
