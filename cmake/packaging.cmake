# How the program is laid out once installed, and packaged for Debian (`cpack -G DEB`).

# The app looks for its hand-off helper in ../libexec/tolvane-qq-status beside its own folder
# (browser::HandoffBrowser::locateHelper()); any other layout would install an app without chat.
file(RELATIVE_PATH _helper_from_app "${CMAKE_INSTALL_FULL_BINDIR}"
    "${CMAKE_INSTALL_FULL_LIBEXECDIR}/tolvane-qq-status")
if(NOT _helper_from_app STREQUAL "../libexec/tolvane-qq-status")
    message(FATAL_ERROR "The app finds its helper only with CMAKE_INSTALL_LIBEXECDIR at "
        "../libexec from CMAKE_INSTALL_BINDIR, not at ${_helper_from_app}")
endif()

set(CPACK_PACKAGE_NAME "${PROJECT_NAME}")
# All four parts: CPack would drop the fourth, and with it the build number.
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Tolvane")
set(CPACK_PACKAGE_CONTACT "Tolvane <support@tolvane.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "${APP_DISPLAY_NAME} asks the QQ instant-messaging service whether \
a number is online, opens a chat with it in the installed IM client, and opens the publisher's \
web site. It keeps no settings and writes no files.")
set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# Qt, and through the helper the web engine with its renderer process, come from what the
# binaries link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without a CJK font the windows show boxes for every character; xdg-open takes the home page and
# the IM client's links to the desktop; qt6-wayland runs the app natively on a Wayland desktop.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-wqy-microhei, xdg-utils, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
