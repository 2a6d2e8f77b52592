# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# The build hardening Debian gives its own packages, for every program and test built here:
# position-independent executables, a stack protector, fortified libc calls, and full RELRO; on
# Windows what stands in for them.

# Windows programs are relocatable through their base relocations instead (--dynamicbase below).
if(NOT WIN32)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    include(CheckPIESupported)
    check_pie_supported(OUTPUT_VARIABLE _pie_output LANGUAGES CXX)
    if(NOT CMAKE_CXX_LINK_PIE_SUPPORTED)
        message(WARNING "The linker cannot make position-independent executables:\n${_pie_output}")
    endif()
endif()

# Fortified calls only work with optimisation (glibc warns without it), and they hide the very
# overflows the sanitizers are there to report.
set(_optimised "$<AND:$<CONFIG:Release,RelWithDebInfo,MinSizeRel>,$<NOT:$<BOOL:${SANITIZE}>>>")

if(MSVC)
    # MSVC already checks buffers (/GS) and links for ASLR (/DYNAMICBASE, /HIGHENTROPYVA on x64)
    # and DEP (/NXCOMPAT) by default; Control Flow Guard is the one it leaves off.
    add_compile_options(/guard:cf)
    add_link_options(/guard:cf)
elseif(MINGW)
    # What MSVC gives by default: ASLR with 64-bit entropy and DEP, which GNU ld marks by default
    # only since binutils 2.36, so older MinGW toolchains are asked. The stack protector and the
    # fortified calls come from GCC's libssp, which the programs then link (libssp-0.dll, deployed
    # with them).
    set(_fortify -D_FORTIFY_SOURCE=2)
    add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
    add_link_options(-fstack-protector-strong -Wl,--dynamicbase -Wl,--nxcompat -Wl,--high-entropy-va)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang" AND UNIX AND NOT APPLE)
    find_program(DPKG_BUILDFLAGS dpkg-buildflags)
    mark_as_advanced(DPKG_BUILDFLAGS)
    if(DPKG_BUILDFLAGS)
        # Debian's own choice of flags, every hardening feature on. The build type keeps the say
        # over optimisation and debug information, and the build tree's paths stay as they are.
        foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
            execute_process(
                COMMAND "${CMAKE_COMMAND}" -E env
                    "DEB_BUILD_MAINT_OPTIONS=hardening=+all $ENV{DEB_BUILD_MAINT_OPTIONS}"
                    "${DPKG_BUILDFLAGS}" --get ${kind}
                OUTPUT_VARIABLE _flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
            separate_arguments(_flags UNIX_COMMAND "${_flags}")
            list(FILTER _flags EXCLUDE REGEX "^-(g.*|O.*|f(file|debug|macro)-prefix-map=.*)$")
            list(APPEND _hardening_${kind} ${_flags})
        endforeach()
        set(_fortify ${_hardening_CPPFLAGS})
        list(FILTER _fortify INCLUDE REGEX "^-D_FORTIFY_SOURCE")
        list(FILTER _hardening_CPPFLAGS EXCLUDE REGEX "^-D_FORTIFY_SOURCE")
        add_compile_options(${_hardening_CPPFLAGS} ${_hardening_CXXFLAGS})
        add_link_options(${_hardening_LDFLAGS})
    else()
        set(_fortify -D_FORTIFY_SOURCE=2)
        add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
        add_link_options(-Wl,-z,relro -Wl,-z,now)
    endif()
    foreach(flag IN LISTS _fortify)
        add_compile_options("$<${_optimised}:${flag}>")
    endforeach()
endif()
