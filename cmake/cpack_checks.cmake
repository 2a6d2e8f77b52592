# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# Read by cpack for each package it makes, before it makes it.

# Without dpkg-shlibdeps CPack only says "Using only user-provided dependencies" and makes a package
# that depends on nothing, which then installs on a machine without Qt and cannot start.
if(CPACK_GENERATOR STREQUAL "DEB")
    find_program(SHLIBDEPS_EXECUTABLE dpkg-shlibdeps)
    if(NOT SHLIBDEPS_EXECUTABLE)
        message(FATAL_ERROR "dpkg-shlibdeps is missing, and without it the package would depend "
            "on nothing. Install it first: sudo apt install dpkg-dev")
    endif()
endif()

# Each Debian package's description starts with a summary line of its own (cmake/packaging.cmake);
# CPack would put the project's in front of each.
if(CPACK_GENERATOR STREQUAL "DEB")
    unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
endif()
