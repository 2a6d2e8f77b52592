# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

# `./dev windows`, sourced by ./dev: the app cross-built for 64-bit Windows with MinGW-w64 against
# a Qt built here from Debian's own source, its tests run under Wine, its installer and ZIP, and
# both tried under Wine on a screen of their own.

# The cross compiler; Wine, 64-bit only (no i386 architecture, no wine32, so nothing here needs a
# kernel that runs 32-bit programs); NSIS, whose amd64-unicode stubs make a 64-bit installer;
# dpkg-dev for Qt's source; pefile to read the exe's resources back; a screen, a window manager and
# hands on them.
windows_packages=(g++-mingw-w64-x86-64-posix ninja-build dpkg-dev xz-utils wine wine64 nsis
    python3-pefile xvfb xauth openbox xdotool imagemagick fonts-noto-cjk)

# The release whose Qt the Windows build takes, source and host tools alike: Debian 13's 6.8 LTS.
# Elsewhere ./dev windows runs itself in a root of that release (./dev on).
windows_release=debian13
windows_codename=trixie

# Shared: the app's installer carries Qt's LGPL DLLs as they are, replaceable by the user, and the
# test programs link against them instead of each carrying its own copy of Qt. Only the modules the
# app and its tests use. Checked against 6.8's configure, which stops at a feature it does not know:
# every option below is still one of its own. Traps:
# - tablet support needs wintab, which Debian takes out of Qt's source (+dfsg), so tabletevent has
#   to go, or the windows platform plugin does not build;
# - direct2d must stay on, since the windows platform plugin fails to link without it;
# - the Windows 11 style is built although configure's summary lists only "Fusion Windows
#   WindowsVista" among the styles: both live in the modernwindows plugin;
# - "Basic cpp/winrt support missing" is MinGW having no C++/WinRT: Qt then reads the accent colour
#   from the registry and the UI languages through Win32, as it is made to;
# - windeployqt is off by itself (its feature is detected only on a Windows host), so Qt's deploy
#   API has nothing to run here; cmake/windows.cmake says how the app is deployed instead;
# - 6.8 writes a software bill of materials by default (QT_GENERATE_SBOM); it stays, as the record
#   of the third-party code inside the DLLs.
qt_options=(-release -shared -nomake tests -nomake examples -no-opengl -no-dbus -no-openssl -schannel
    -no-icu -qt-zlib -qt-pcre -qt-freetype -qt-harfbuzz -qt-libpng -qt-libjpeg -qt-doubleconversion
    -no-feature-sql -no-feature-concurrent -no-feature-xml -no-feature-printsupport
    -no-feature-vulkan -no-feature-tabletevent -no-feature-tuiotouch -no-feature-androiddeployqt)
windows_cache=${XDG_CACHE_HOME:-$HOME/.cache}/tolvane-qq-status

step_names=()
step_seconds=()
step_started=
# Prints where the run is and, at the next step, how long the last one took.
step() {
    local now
    now=$(date +%s)
    if [ -n "$step_started" ]; then
        step_seconds+=($((now - step_started)))
        printf '    (%ds)\n' "${step_seconds[-1]}"
    fi
    step_started=$now
    [ $# -gt 0 ] || return 0
    step_names+=("$*")
    printf '==> %s\n' "$*"
}

step_summary() {
    step
    local i
    for i in "${!step_names[@]}"; do
        printf '%6ds  %s\n' "${step_seconds[$i]}" "${step_names[$i]}"
    done
}

# The host's Qt, as Debian versions it (6.8.2+dfsg-9+deb13u2): the Windows Qt is built from the
# source of exactly this version.
host_qt_version() {
    dpkg-query -W -f='${source:Version}' qt6-base-dev
}

# Its upstream version alone (6.8.2).
host_qt_upstream() {
    local version
    version=$(host_qt_version)
    version=${version#*:}
    echo "${version%%[+-]*}"
}

# Debian's qt6-base source, in the version of the host's Qt, unpacked with Debian's patches into
# $1, through an apt configuration of its own: the system's sources and lists stay untouched. The
# source comes from every suite the system takes its packages from: a security update of Qt is in
# trixie-security before a point release brings it to trixie.
fetch_qt_source() {
    local into=$1 version apt
    version=$(host_qt_version)
    apt=$windows_cache/apt
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/sources.list.d" "$apt/source"
    apt-get indextargets --format '$(SITE) $(CODENAME)' 'Created-By: Packages' | sort -u |
        sed 's|^\(.*\) \(.*\)$|deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] \1 \2 main|' \
            >"$apt/sources.list"
    local options=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts="$apt/sources.list.d"
        -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Sandbox::User="$(id -un)"
        -o Debug::NoLocking=1)
    apt-get -qq "${options[@]}" update &&
        (cd "$apt/source" && apt-get -qq "${options[@]}" source --download-only "qt6-base=$version") &&
        rm -rf "$into" &&
        dpkg-source --no-check -x "$apt/source/qt6-base_${version#*:}.dsc" "$into" >/dev/null
}

# What the installer has to carry beside Qt's DLLs: Qt's licence, and those of the third-party code
# built into them, as each one's qt_attribution.json names the files (some lie deeper than its
# folder, and not all are called LICENSE). Public-domain and CC0 code (md4, md5, sha1, siphash)
# asks for none.
copy_qt_licences() {
    local source=$1 into=$2
    mkdir -p "$into"
    cp "$source/LICENSES/LGPL-3.0-only.txt" "$source/LICENSES/GPL-3.0-only.txt" "$into/" &&
        /usr/bin/python3 - "$source/src/3rdparty" "$into" blake2 D3D12MemoryAllocator \
            double-conversion easing freetype harfbuzz-ng icc libjpeg libpng libpsl md4c pcre2 \
            rfc6234 sha3 tinycbor zlib <<'PYTHON'
import json, pathlib, shutil, sys

thirdparty, into = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
for library in sys.argv[3:]:
    # Some of these files hold control characters in their strings.
    entries = json.loads((thirdparty / library / "qt_attribution.json").read_text(), strict=False)
    for entry in entries if isinstance(entries, list) else [entries]:
        for file in entry.get("LicenseFiles", [entry.get("LicenseFile")]):
            shutil.copy(thirdparty / library / file, into / f"{library}-{pathlib.Path(file).name}")
PYTHON
}

# Qt's source fetched, configured for Windows, built and installed into the prefix $2, working in
# $1; stops at the first step that fails. Each finished stage leaves a mark in $1, so that a run
# that was stopped goes on from the stage it was in, and Ninja from the file it was at. Its own
# toolchain file refers to ours from then on, so the prefix keeps a copy.
build_qt() {
    local build=$1 prefix=$2
    if [ ! -f "$build/.unpacked" ]; then
        fetch_qt_source "$build/source" && touch "$build/.unpacked" || return
    fi
    if [ ! -f "$build/.configured" ]; then
        rm -rf "$prefix" "$build/qt" &&
            mkdir -p "$prefix" "$build/qt" &&
            cp cmake/mingw-w64-x86_64.cmake "$prefix/" &&
            (cd "$build/qt" && nice -n 10 "$build/source/configure" -prefix "$prefix" \
                -platform linux-g++ -xplatform win32-g++ -qt-host-path /usr "${qt_options[@]}" -- \
                -G Ninja -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64-x86_64.cmake" \
                -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(gcc -print-multiarch)/cmake") &&
            touch "$build/.configured" || return
    fi
    nice -n 10 cmake --build "$build/qt" --parallel "$(nproc)" &&
        cmake --install "$build/qt" &&
        copy_qt_licences "$build/source" "$prefix/licenses"
}

# Qt for Windows in the cache, keyed by its source, its options, the toolchain (not its comments)
# and the compiler; built once, reused after. Prints its prefix.
qt_for_windows() {
    local version key prefix build
    version=$(host_qt_version)
    key=$({
        echo "$version ${qt_options[*]}"
        grep -v '^#' cmake/mingw-w64-x86_64.cmake
        x86_64-w64-mingw32-g++-posix --version | head -n 1
    } | sha256sum | cut -c1-12)
    prefix=$windows_cache/qt-$(host_qt_upstream)-mingw-$key
    [ -f "$prefix/.built" ] && { echo "$prefix"; return 0; }
    mkdir -p "$windows_cache"
    exec 9>"$prefix.lock"
    flock 9
    if [ ! -f "$prefix/.built" ]; then
        build=$prefix.build
        if [ -d "$build" ]; then
            echo "    Qt $version for Windows, going on from where the last run stopped (log: $build.log)" >&2
        else
            echo "    Qt $version for Windows, once, into $prefix (log: $build.log)" >&2
        fi
        mkdir -p "$build"
        build_qt "$build" "$prefix" >>"$build.log" 2>&1 &
        local pid=$! count shown=
        # Ninja's count, once a minute, for the half hour or more this takes.
        while kill -0 "$pid" 2>/dev/null; do
            sleep 10
            count=$(grep -o '^\[[0-9]*/[0-9]*\]' "$build.log" | tail -n 1 || true)
            if [ "$(date +%s)" -ge "${shown:-0}" ]; then
                echo "    Qt: ${count:-fetching and configuring}" >&2
                shown=$(($(date +%s) + 60))
            fi
        done
        wait "$pid" || { echo "    building Qt failed; see $build.log" >&2; return 1; }
        touch "$prefix/.built"
        rm -rf "$build"
    fi
    exec 9>&-
    echo "$prefix"
}

# Wine's 64-bit loader, called by its own name: Debian's `wine` takes the 32-bit loader whenever
# wine32 is installed, and that one needs a kernel that runs 32-bit programs. The programs Wine
# starts in turn (an installer's copy of its uninstaller) take theirs from WINELOADER.
wine_loader=/usr/lib/wine/wine64
wine() {
    "$wine_loader" "$@"
}

# Wine as ./dev windows runs it: its own prefix in the build folder, quiet, without the .NET and
# browser engines a new prefix offers to download, without menu entries for the host desktop, and
# 64-bit only. CMakePresets.json's windows presets say the same for the tests.
wine_environment() {
    export WINEPREFIX=$PWD/build-windows/wine WINEDEBUG=-all WINELOADER=$wine_loader
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# Fails, saying why, unless the Windows program $1 is a 64-bit one: a 32-bit program would take
# wine32 and a kernel that runs 32-bit programs, neither of which ./dev windows asks for.
sixty_four_bit() {
    /usr/bin/python3 -c 'import pefile, sys
machine = pefile.PE(sys.argv[1], fast_load=True).FILE_HEADER.Machine
if machine != pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]:
    sys.exit(f"{sys.argv[1]} is a 32-bit Windows program (machine {machine:#x}): running it takes "
             "wine32 and a kernel that runs 32-bit programs, which ./dev windows does without")' "$1"
}

# Faces that Qt and Windows ask for Chinese text, and the font that stands in for them.
cjk_faces=("Microsoft YaHei" "Microsoft YaHei UI" 微软雅黑 SimSun 宋体 NSimSun 新宋体 SimHei 黑体
    "MS Song" "Arial Unicode MS")
cjk_font="Noto Sans CJK SC"

# A prefix that reports Windows 10 (a new one says Windows 7) and draws Chinese with an installed
# CJK font (otherwise every character is a box). Made once; rm -rf build-windows/wine starts over.
wine_prefix() {
    [ -f "$WINEPREFIX/.ready" ] && return 0
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    DISPLAY='' wine wineboot.exe --init >"$WINEPREFIX.log" 2>&1
    local face reg=$WINEPREFIX/settings.reg
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine]\r\n"Version"="win10"\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for face in "${cjk_faces[@]}"; do
            printf '"%s"="%s"\r\n' "$face" "$cjk_font"
        done
    } | iconv -f UTF-8 -t UTF-16 >"$reg"
    wine regedit /S "$reg"
    wineserver --wait
    touch "$WINEPREFIX/.ready"
}

# The tests under Wine; a failed test's own log, since Wine keeps it from ctest.
windows_tests() {
    ctest --preset windows && return 0
    local failed
    for failed in $(cut -d: -f2 build-windows/Testing/Temporary/LastTestsFailed.log); do
        echo "--- $failed"
        cat "build-windows/tests/$failed.txt" 2>/dev/null || true
    done
    return 1
}

# The prefix's proxy, as Internet Options writes it (the blob WinHTTP reads): the proxy on
# 127.0.0.1:$1, or none with no argument.
wine_proxy() {
    local key='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections'
    if [ $# -eq 0 ]; then
        wine reg delete "$key" /v DefaultConnectionSettings /f >/dev/null 2>&1 || true
        return
    fi
    local blob
    blob=$(/usr/bin/python3 -c 'import struct, sys
proxy = b"127.0.0.1:" + sys.argv[1].encode()
print((struct.pack("<III", 0x46, 0, 3) + struct.pack("<I", len(proxy)) + proxy
       + struct.pack("<II", 0, 0) + bytes(32)).hex())' "$1")
    wine reg add "$key" /v DefaultConnectionSettings /t REG_BINARY /d "$blob" /f >/dev/null
}

# The window titled $1, waited for up to a minute.
wait_for_window() {
    DISPLAY=$display timeout 60 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1
}

# Waits up to 20 s for a line matching $2 in the file $1.
wait_for_line() {
    local _
    for _ in $(seq 200); do
        grep -q -- "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "nothing like \"$2\" in $1" >&2
    return 1
}

# A click at x,y of the window $1's client area, where the window's design puts the controls.
click() {
    DISPLAY=$display xdotool mousemove --window "$1" "$2" "$3" click 1
}

# The window $1 with its frame, into $2.
shoot_window() {
    sleep 1
    DISPLAY=$display import -window "$1" -frame "$2"
}

# The Qt in the unpacked folder $1, as Windows tells it (the version resource of Qt6Core.dll), which
# must be the host's, and its plugins.
windows_zip_qt() {
    local version expected
    version=$(/usr/bin/python3 -c 'import pefile, sys
pe = pefile.PE(sys.argv[1])
info = pe.VS_FIXEDFILEINFO[0]
print(f"{info.FileVersionMS >> 16}.{info.FileVersionMS & 0xffff}.{info.FileVersionLS >> 16}")' "$1/Qt6Core.dll")
    expected=$(host_qt_upstream)
    echo "    the ZIP's Qt6Core.dll: version $version; plugins: $(cd "$1" && echo */*.dll)"
    [ "$version" = "$expected" ] || { echo "the ZIP carries Qt $version, not $expected" >&2; return 1; }
}

# The app unpacked from the ZIP, as on a machine that has nothing else: it opens its window, asks
# the fake service through the prefix's proxy settings, shows the answer, hands 留言 and the home
# page to the host's browser (a recording xdg-open) through the shell, and ends on 退出. A UI
# Automation client listens beside it for the notifications a screen reader speaks unasked.
windows_app() {
    local zip=$1 shots=build-windows/screenshots unpacked=build-windows/unpacked
    rm -rf "$shots" "$unpacked"
    mkdir -p "$shots" "$unpacked"
    (cd "$unpacked" && cmake -E tar xf "../../$zip")
    local app
    app=$(echo "$unpacked"/*/bin/*.exe)
    windows_zip_qt "$(dirname "$app")"

    mkdir -p "$scratch/bin"
    printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s/xdg-open.log"\n' "$scratch" >"$scratch/bin/xdg-open"
    chmod +x "$scratch/bin/xdg-open"
    local logo_host port
    logo_host=$(sed -n 's/^LOGO_HOST:STRING=//p' build-windows/CMakeCache.txt)
    /usr/bin/python3 packaging/windows/fake_service.py "$logo_host" 10001 "$scratch/service.log" \
        >"$scratch/service.port" &
    echo $! >"$scratch/service.pid"
    wait_for_line "$scratch/service.port" '[0-9]'
    port=$(cat "$scratch/service.port")
    wine_proxy "$port"

    # Wine's log of the UI Automation calls it has only as stubs says what Qt raised there.
    DISPLAY=$display PATH="$scratch/bin:$PATH" WINEDEBUG=-all,fixme+uiautomation env -u WINEPATH \
        "$wine_loader" "$app" >"$scratch/app.log" 2>&1 &
    local app_pid=$! window
    window=$(wait_for_window "$app_title")
    [ -n "$window" ] || { echo "no window titled $app_title" >&2; return 1; }
    shoot_window "$window" "$shots/query-window.png"
    DISPLAY=$display wine build-windows/bin/uia_notifications.exe "$app_title" >"$scratch/uia.log" 2>&1 &
    local uia_pid=$!
    wait_for_line "$scratch/uia.log" .

    DISPLAY=$display xdotool windowactivate --sync "$window" type --delay 50 10001
    DISPLAY=$display xdotool key Return
    wait_for_line "$scratch/service.log" ' /qq_online.gif$'
    shoot_window "$window" "$shots/online.png"
    DISPLAY=$display xdotool key ctrl+a type --delay 50 20002
    DISPLAY=$display xdotool key Return
    wait_for_line "$scratch/service.log" ' /qq_offline.gif$'
    shoot_window "$window" "$shots/offline.png"

    click "$window" 220 108 # 留言
    wait_for_line "$scratch/xdg-open.log" "/msgrd?V=1&Uin=20002$"
    shoot_window "$(wait_for_window "$app_title")" "$shots/after-chat.png"
    click "$window" 220 140 # 访问主页
    wait_for_line "$scratch/xdg-open.log" "^http://$(sed -n 's/^HOME_PAGE_HOST:STRING=//p' \
        build-windows/CMakeCache.txt)"
    click "$window" 220 172 # 退出
    wait "$app_pid" || { echo "the app ended with $?" >&2; return 1; }
    wait "$uia_pid" || true

    # Qt picks the Vista style on Windows 10, which the prefix says it is, and the Windows 11
    # style on 11: that one forced, for a look at a result in it.
    : >"$scratch/service.log"
    DISPLAY=$display env -u WINEPATH "$wine_loader" "$app" -style windows11 >"$scratch/app-windows11.log" 2>&1 &
    app_pid=$!
    window=$(wait_for_window "$app_title")
    [ -n "$window" ] || { echo "no window titled $app_title in the Windows 11 style" >&2; return 1; }
    DISPLAY=$display xdotool windowactivate --sync "$window" type --delay 50 10001
    DISPLAY=$display xdotool key Return
    wait_for_line "$scratch/service.log" ' /qq_online.gif$'
    shoot_window "$window" "$shots/online-windows11.png"
    click "$window" 220 172 # 退出
    wait "$app_pid" || { echo "the app in the Windows 11 style ended with $?" >&2; return 1; }
    wine_proxy
    [ "$(grep -c msgrd "$scratch/xdg-open.log")" -eq 1 ] ||
        { echo "留言 reached xdg-open other than once:" >&2; cat "$scratch/xdg-open.log" >&2; return 1; }
    echo "    the host's xdg-open got: $(paste -sd ' ' "$scratch/xdg-open.log")"
    echo "    UI Automation notifications Qt raised: $(uia_raised "$scratch/app.log")"
    echo "    what a UI Automation client beside the app heard:"
    sed 's/^/        /' "$scratch/uia.log"
    echo "    screenshots in $shots"
}

# The texts of the UI Automation notifications raised, from Wine's log of UiaRaiseNotificationEvent
# in the file $1, which writes each character beyond ASCII as a backslash and four hex digits.
uia_raised() {
    /usr/bin/python3 -c 'import re, sys
log = open(sys.argv[1], errors="replace").read()
texts = re.findall(r"UiaRaiseNotificationEvent \(.*?, L\"((?:[^\"\\]|\\.)*)\"", log)
print(", ".join(re.sub(r"\\([0-9a-f]{4})", lambda m: chr(int(m[1], 16)), t) for t in texts) or "none")' "$1"
}

# The installer run silently as an administrator would: the app and its uninstaller in Program
# Files, its entry in the Start menu; the installed app opens its window; the silent uninstall
# leaves nothing behind.
windows_installer() {
    local installer=$1 folder menu
    folder="$WINEPREFIX/drive_c/Program Files/$app_title"
    menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$app_title"
    sixty_four_bit "$installer"
    DISPLAY=$display wine "$installer" /S
    local expected
    for expected in "$folder/bin/$app_title.exe" "$folder/Uninstall.exe" "$menu/$app_title.lnk" \
        "$menu/Uninstall.lnk"; do
        [ -f "$expected" ] || { echo "the installer left no $expected" >&2; return 1; }
    done
    # Windows lists it under Apps & features by its uninstall key, which a 64-bit installer writes
    # to the 64-bit view (a 32-bit one's goes under Wow6432Node); Wine writes the registry out once
    # its server ends.
    local key="[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\$project_name]"
    wineserver --wait
    grep -qF "$key" "$WINEPREFIX/system.reg" ||
        { echo "the installer left no uninstall key in the 64-bit view" >&2; return 1; }
    echo "    installed: $(cd "$folder" && find . -type f | wc -l) files in C:\\Program Files\\$app_title;" \
        "Start menu: $(cd "$menu" && echo *.lnk); an uninstall key"

    DISPLAY=$display env -u WINEPATH "$wine_loader" "$folder/bin/$app_title.exe" >"$scratch/installed.log" 2>&1 &
    local app_pid=$! window
    window=$(wait_for_window "$app_title")
    [ -n "$window" ] || { echo "the installed app opened no window" >&2; return 1; }
    click "$window" 220 172 # 退出
    wait "$app_pid"

    # The uninstaller runs a copy of itself from the temporary folder and returns at once.
    sixty_four_bit "$folder/Uninstall.exe"
    DISPLAY=$display wine "$folder/Uninstall.exe" /S
    local _
    for _ in $(seq 300); do
        [ -e "$folder" ] || [ -e "$menu" ] || break
        sleep 0.1
    done
    wineserver --wait
    if [ -e "$folder" ] || [ -e "$menu" ]; then
        echo "the uninstaller left:" >&2
        find "$folder" "$menu" >&2 2>/dev/null
        return 1
    fi
    ! grep -qF "$key" "$WINEPREFIX/system.reg" ||
        { echo "the uninstaller left its uninstall key" >&2; return 1; }
    echo "    uninstalled: nothing left in Program Files, the Start menu or the uninstall keys"
}

app_title=TolvaneQQ在线状态查询
project_name=tolvane-qq-status

# ./dev windows: everything above, one step after the other.
windows() {
    if [ "$(. /etc/os-release && echo "$VERSION_CODENAME")" != "$windows_codename" ]; then
        echo "./dev windows: Qt for Windows comes from Debian $windows_codename; building in its root," \
            "the results in build-windows here" >&2
        exec ./dev on "$windows_release" windows
    fi
    step "Debian packages for the Windows build"
    install_missing "${windows_packages[@]}"

    step "Qt $(host_qt_upstream) for Windows, cross-built once into $windows_cache"
    WINDOWS_QT_PREFIX=$(qt_for_windows)
    export WINDOWS_QT_PREFIX

    step "The app and the tests that need no helper, with MinGW-w64"
    # A build folder from elsewhere (another work tree, the host before it built in the root) is
    # started over: CMake keeps to the source folder it was made for.
    if [ -f build-windows/CMakeCache.txt ] &&
        ! grep -qxF "CMAKE_HOME_DIRECTORY:INTERNAL=$PWD" build-windows/CMakeCache.txt; then
        find build-windows -mindepth 1 -delete
    fi
    build windows

    step "A Wine prefix: Windows 10, Chinese faces mapped to $cjk_font"
    wine_environment
    wine_prefix

    step "The tests under Wine"
    wine_proxy # one that a run stopped half-way may have left
    windows_tests

    step "The installer and the ZIP"
    (cd build-windows && cpack -C Release >/dev/null)
    local package
    package=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' build-windows/CPackConfig.cmake)
    echo "    build-windows/$package.exe ($(du -h "build-windows/$package.exe" | cut -f1))," \
        "build-windows/$package.zip ($(du -h "build-windows/$package.zip" | cut -f1))"

    start_screen openbox
    step "The app from the ZIP under Wine"
    windows_app "build-windows/$package.zip"

    step "The installer under Wine"
    windows_installer "build-windows/$package.exe"
    # Whatever may still run in the prefix (its server has usually gone by now).
    wineserver --kill 2>/dev/null || true
    step_summary
}
