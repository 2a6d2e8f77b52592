# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# Run when installing for Windows, once the programs and plugins are in place: installs into
# DESTINATION the DLLs, of those whose lower-case names match DLL_PATTERN, that PROGRAMS and PLUGINS
# load, directly or through each other, taking them from DLL_DIRS; one that is not there fails the
# install. With STRIP (GNU strip), strips every program and DLL in DESTINATION.
#
# CMake finds a DLL only where the file system agrees on its name's case, which on Linux,
# cross-compiling, it does not for Qt6Core.dll: CMake 3.25 asks for qt6core.dll, 3.31 for the name
# as the program imports it. So a name it could not find is looked up here regardless of case, and
# what that DLL loads in turn is read on the next round.

set(_names "")
set(_paths "")
foreach(_dir IN LISTS DLL_DIRS)
    file(GLOB _dlls "${_dir}/*.dll")
    foreach(_dll IN LISTS _dlls)
        get_filename_component(_name "${_dll}" NAME)
        string(TOLOWER "${_name}" _name)
        list(FIND _names "${_name}" _index)
        if(_index LESS 0)
            list(APPEND _names "${_name}")
            list(APPEND _paths "${_dll}")
        endif()
    endforeach()
endforeach()

set(_deployed "")
set(_read EXECUTABLES ${PROGRAMS} MODULES ${PLUGINS})
while(_read)
    file(GET_RUNTIME_DEPENDENCIES ${_read}
        DIRECTORIES ${DLL_DIRS}
        PRE_INCLUDE_REGEXES "${DLL_PATTERN}"
        PRE_EXCLUDE_REGEXES ".*"
        RESOLVED_DEPENDENCIES_VAR _resolved
        UNRESOLVED_DEPENDENCIES_VAR _unresolved)
    list(APPEND _deployed ${_resolved})
    set(_found "")
    foreach(_name IN LISTS _unresolved)
        string(TOLOWER "${_name}" _name)
        list(FIND _names "${_name}" _index)
        if(_index LESS 0)
            message(FATAL_ERROR "${_name} is not in ${DLL_DIRS}")
        endif()
        list(GET _paths ${_index} _path)
        list(FIND _deployed "${_path}" _index)
        if(_index LESS 0)
            list(APPEND _deployed "${_path}")
            list(APPEND _found "${_path}")
        endif()
    endforeach()
    set(_read "")
    if(_found)
        set(_read LIBRARIES ${_found})
    endif()
endwhile()

list(REMOVE_DUPLICATES _deployed)
file(INSTALL ${_deployed} DESTINATION "${DESTINATION}")

# MinGW's DLLs come with their symbols (libstdc++-6.dll is 24 MB, 2 MB without), and Windows has
# no use for them.
if(STRIP)
    file(GLOB_RECURSE _binaries "$ENV{DESTDIR}${DESTINATION}/*.dll" "$ENV{DESTDIR}${DESTINATION}/*.exe")
    foreach(_binary IN LISTS _binaries)
        execute_process(COMMAND "${STRIP}" --strip-unneeded "${_binary}" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
endif()
