# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# Every source file of SOURCE_DIR opens with its licence and copyright lines.
#   cmake -DSOURCE_DIR=<source tree> -P check_licence_headers.cmake

file(GLOB top RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*" "${SOURCE_DIR}/.ci")
set(files "")
foreach(entry IN LISTS top)
    if(entry MATCHES "^(build.*|\\.git|\\.cache|\\.tmp)$")
        continue()
    elseif(IS_DIRECTORY "${SOURCE_DIR}/${entry}")
        file(GLOB_RECURSE found RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${entry}/*")
        list(APPEND files ${found})
    else()
        list(APPEND files ${entry})
    endif()
endforeach()
# Sources, build files and scripts (the scripts are the files without a suffix).
list(FILTER files INCLUDE REGEX
    "(\\.(cpp|h|in|cmake|ui|py|rc)|CMakeLists\\.txt|(^|/)[^./]+)$")
list(FILTER files EXCLUDE REGEX "^(LICENSE|packaging/(copyright|changelog))$")

set(missing "")
foreach(file IN LISTS files)
    file(STRINGS "${SOURCE_DIR}/${file}" head LIMIT_COUNT 4)
    if(NOT head MATCHES "SPDX-FileCopyrightText: [0-9]+ Tolvane"
            OR NOT head MATCHES "SPDX-License-Identifier: MIT")
        string(APPEND missing "  ${file}\n")
    endif()
endforeach()
list(LENGTH files count)
if(missing)
    message(FATAL_ERROR "No SPDX-FileCopyrightText and SPDX-License-Identifier lines at the top of:\n"
        "${missing}")
endif()
message(STATUS "${count} files carry their licence lines")
