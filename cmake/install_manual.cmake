# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# Writes and installs the manual page at install time, when the prefix it names the helper under
# is known: cpack installs under /usr whatever prefix the build was configured with. The
# variables come from an install(CODE) just before (cmake/packaging.cmake).

if(IS_ABSOLUTE "${HELPER_INSTALL_DIR}")
    set(HELPER_INSTALL_PATH "${HELPER_INSTALL_DIR}/${HELPER_FILE_NAME}")
else()
    set(HELPER_INSTALL_PATH "${CMAKE_INSTALL_PREFIX}/${HELPER_INSTALL_DIR}/${HELPER_FILE_NAME}")
endif()
configure_file("${MANUAL_SOURCE}" "${MANUAL_WORK_DIR}/tolvane-qq-status.1" @ONLY)
# Compressed as Debian's own tools do: maximum compression, no name and no time stamp.
execute_process(COMMAND "${GZIP_EXECUTABLE}" -9n --force --keep tolvane-qq-status.1
    WORKING_DIRECTORY "${MANUAL_WORK_DIR}" COMMAND_ERROR_IS_FATAL ANY)
file(INSTALL "${MANUAL_WORK_DIR}/tolvane-qq-status.1.gz" DESTINATION "${MANUAL_DESTINATION}")
