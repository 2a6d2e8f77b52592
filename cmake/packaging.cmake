# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# How the program is laid out once installed, and packaged: for Debian (`cpack -G DEB`) as two
# packages with their documentation and debug-symbol packages, and for Windows
# (cmake/windows.cmake).
#
# On Debian the app and its hand-off helper are packages of their own, from the install components
# `app` and `handoff`: the helper brings the web engine, which makes up most of what an install
# pulls in and serves only 留言, so the app recommends it rather than depends on it. Without it,
# 留言 opens the chat hand-off page in the default browser.

set(CPACK_PACKAGE_NAME "${PROJECT_NAME}")
set(HANDOFF_PACKAGE_NAME "${PROJECT_NAME}-handoff")
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
# Each Debian package's description starts with its own summary line.
string(JOIN "\n" CPACK_DEBIAN_APP_DESCRIPTION
    "${PROJECT_DESCRIPTION}"
    "${CPACK_PACKAGE_DESCRIPTION}"
    "."
    "A chat starts through the QQ service's hand-off page, which the web engine"
    "of ${HANDOFF_PACKAGE_NAME} loads out of sight. Without that package the"
    "page opens in the default web browser, which passes the chat on itself.")
string(JOIN "\n" CPACK_DEBIAN_HANDOFF_DESCRIPTION
    "Web engine that starts chats for ${PROJECT_NAME}"
    "When ${APP_DISPLAY_NAME} (${PROJECT_NAME}) starts a chat with a"
    "QQ number, this helper loads the QQ service's chat hand-off page in"
    "Qt WebEngine, out of sight, and passes the page's link to the installed IM"
    "client. The page's data stays in memory and goes with the helper."
    "."
    "Without this package the app opens the hand-off page in the default web"
    "browser instead.")
set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
# Checks that cpack makes before it packages anything (a missing tool), and what it does to the
# staged files and to the packages it made.
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/cpack_checks.cmake")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/deb_before_packing.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/deb_after_packing.cmake")

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL app)
if(BUILD_HANDOFF_HELPER)
    list(APPEND CPACK_COMPONENTS_ALL handoff)
endif()
set(CPACK_DEBIAN_APP_PACKAGE_NAME "${PROJECT_NAME}")
set(CPACK_DEBIAN_HANDOFF_PACKAGE_NAME "${HANDOFF_PACKAGE_NAME}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# Qt, and for the helper the web engine with its renderer process, come from what each package's
# programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without a CJK font the windows show boxes for every character; xdg-open takes the home page, the
# IM client's links and, without the helper, the chat hand-off page to the desktop; qt6-wayland
# runs the app natively on a Wayland desktop.
set(CPACK_DEBIAN_APP_PACKAGE_RECOMMENDS
    "${HANDOFF_PACKAGE_NAME}, fonts-noto-cjk | fonts-wqy-microhei, xdg-utils, qt6-wayland")
# The helper is started by the app of its own build, whose protocol it speaks. Up to 1.0.0.8 the
# helper came inside the app's package, which the helper's package takes its file over from.
set(CPACK_DEBIAN_HANDOFF_PACKAGE_DEPENDS "${PROJECT_NAME} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_HANDOFF_PACKAGE_REPLACES "${PROJECT_NAME} (<= 1.0.0.8)")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# All four packages come from one source, which is how lintian tells that a debug-symbol package's
# doc folder, a link to its main package's, points into a package of the same source.
set(CPACK_DEBIAN_PACKAGE_SOURCE "${PROJECT_NAME}")
# The packages' programs are stripped; their debug information goes to a -dbgsym package beside
# each, which debuggers find by build id under /usr/lib/debug.
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
    if(BUILD_HANDOFF_HELPER)
        install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" "${_packaging_dir}/changelog.gz"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/${HANDOFF_PACKAGE_NAME}" COMPONENT handoff)
    endif()

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
