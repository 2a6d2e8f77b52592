# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# Read by cpack once it made its packages, before it copies them out.

# CPack writes the debug-symbol package's md5sums with the absolute paths of its staging folder,
# so that dpkg --verify and debsums find none of its files; it also installs the debug files
# executable and without a documentation folder. The package is packed again the way Debian's own
# -dbgsym packages are: relative sums, plain files, and the doc folder a link to the main package's
# (which it depends on at the same version).
if(CPACK_GENERATOR STREQUAL "DEB")
    find_program(DPKG_DEB_EXECUTABLE dpkg-deb REQUIRED)
    foreach(package IN LISTS CPACK_PACKAGE_FILES)
        if(NOT package MATCHES "/([^/_]+)-dbgsym_[^/]*\\.ddeb$")
            continue()
        endif()
        set(main_package "${CMAKE_MATCH_1}")
        set(tree "${CPACK_TOPLEVEL_DIRECTORY}/dbgsym-tree")
        file(REMOVE_RECURSE "${tree}")
        execute_process(COMMAND "${DPKG_DEB_EXECUTABLE}" --raw-extract "${package}" "${tree}"
            COMMAND_ERROR_IS_FATAL ANY)
        file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${tree}" "${tree}/usr/*")
        set(sums "")
        foreach(file IN LISTS files)
            file(CHMOD "${tree}/${file}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
            file(MD5 "${tree}/${file}" sum)
            string(APPEND sums "${sum}  ${file}\n")
        endforeach()
        file(WRITE "${tree}/DEBIAN/md5sums" "${sums}")
        file(MAKE_DIRECTORY "${tree}/usr/share/doc")
        file(CREATE_LINK "${main_package}" "${tree}/usr/share/doc/${main_package}-dbgsym" SYMBOLIC)
        execute_process(
            COMMAND "${DPKG_DEB_EXECUTABLE}" --root-owner-group --build "${tree}" "${package}"
            OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
        file(REMOVE_RECURSE "${tree}")
    endforeach()
endif()
