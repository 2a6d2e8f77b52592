# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# Read by cpack once the files of a package are staged, before it packs them.

# The programs' .comment section holds only the compiler's version stamp; Debian's own stripping
# (dh_strip) removes it, CPack's does not.
if(CPACK_GENERATOR STREQUAL "DEB")
    find_program(OBJCOPY_EXECUTABLE objcopy REQUIRED)
    file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
    foreach(file IN LISTS staged)
        file(READ "${file}" magic LIMIT 4 HEX)
        if(magic STREQUAL "7f454c46")
            execute_process(COMMAND "${OBJCOPY_EXECUTABLE}" --remove-section=.comment "${file}"
                COMMAND_ERROR_IS_FATAL ANY)
        endif()
    endforeach()
endif()
