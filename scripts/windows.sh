#!/usr/bin/env bash
# Cross-builds solamine for 64-bit Windows on Debian 12 and packages it into build-windows/:
# solamine-<version>-windows-x64.zip and solamine-<version>-setup.exe (NSIS).
#
# Qt, QCustomPlot and hidapi are built for Windows from Debian's own source packages and cached in
# ~/.cache/solamine/windows/ under their versions, so only the first run is long (Qt: ~45 minutes
# of two cores). Every step is resumable: a step writes its stamp file only once it is complete.
#
#   scripts/windows.sh            all steps up to the zip and the installer
#   scripts/windows.sh third      only the third-party builds (Qt, QCustomPlot, hidapi)
#   scripts/windows.sh project    the third-party builds, then solamine (with its tests)
#   scripts/windows.sh test       everything, then the tests under Wine (./test.sh --windows)
#
# Environment: SOLAMINE_WINDOWS_CACHE moves the cache; SOLAMINE_WINDOWS_JOBS sets the parallel
# jobs (default: all cores); long builds run at the lowest CPU and I/O priority.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
what=${1:-all}

cache=${SOLAMINE_WINDOWS_CACHE:-$HOME/.cache/solamine/windows}
jobs=${SOLAMINE_WINDOWS_JOBS:-$(nproc)}
triple=x86_64-w64-mingw32
toolchain=$root/cmake/mingw-w64-x86_64.cmake
out=$root/build-windows
mkdir -p "$cache/src" "$out"

if command -v ionice >/dev/null && ionice -c3 true 2>/dev/null; then
    low() { nice -n 19 ionice -c3 "$@"; }
else
    low() { nice -n 19 "$@"; }
fi
# shellcheck source=scripts/steps.sh
. "$root/scripts/steps.sh"

install_tools() {
    "$root/scripts/deps.sh" g++-mingw-w64-x86-64-posix mingw-w64-tools ninja-build nsis wine64 wine \
        zip dpkg-dev xvfb xauth imagemagick fonts-dejavu-core procps \
        mosquitto mosquitto-clients xdotool fonts-noto-cjk fonts-wine
    # The tests run Wine on a Japanese desktop; without the Unix locale Wine falls back to
    # ASCII and cannot even name a Japanese folder.
    if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
        "$root/scripts/deps.sh" locales
        as_root localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
    fi
    # apt-get source needs the archive's source entries; the binary entry's address is reused.
    if ! apt-cache showsrc qt6-base >/dev/null 2>&1 || [ -z "$(apt-cache showsrc qt6-base 2>/dev/null)" ]; then
        local uri
        uri=$(grep -h -m1 '^URIs:.*debian$' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}')
        uri=${uri:-http://deb.debian.org/debian}
        printf 'Types: deb-src\nURIs: %s\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            "$uri" | as_root tee /etc/apt/sources.list.d/solamine-source.sources >/dev/null
        as_root apt-get update -qq
    fi
}

# Unpacks a Debian source package once; prints its folder.
source_of() {
    local package=$1 version dir
    version=$(apt-cache showsrc "$package" | awk '/^Version:/ {print $2; exit}')
    dir=$cache/src/$package-$version
    if [ ! -f "$dir.stamp" ]; then
        rm -rf "$dir" "$dir.tmp" && mkdir -p "$dir.tmp"
        (cd "$dir.tmp" && apt-get source -qq "$package=$version" >/dev/null)
        mv "$(find "$dir.tmp" -mindepth 1 -maxdepth 1 -type d | head -1)" "$dir"
        rm -rf "$dir.tmp" && touch "$dir.stamp"
    fi
    echo "$dir"
}

version_of() { apt-cache showsrc "$1" | awk '/^Version:/ {print $2; exit}'; }

prefix() { echo "$cache/prefix-qt$(version_of qt6-base)-qcp$(version_of qcustomplot)-hid$(version_of hidapi)"; }

build_qt() {
    local src prefix build
    src=$(source_of qt6-base)
    prefix=$(prefix)
    build=$cache/build-qt6-base-$(version_of qt6-base)
    [ -f "$prefix/qt.stamp" ] && return 0
    if [ ! -f "$build/build.ninja" ]; then
        # Debian's source lacks the Wintab headers (tablet events); the Windows platform plugin of
        # 6.4 only compiles with OpenGL, which then loads whichever OpenGL the machine has.
        low cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
            -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
            -DFEATURE_tabletevent=OFF -DFEATURE_opengl=ON -DFEATURE_sql=OFF -DFEATURE_network=OFF \
            -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_testlib=ON \
            -DFEATURE_printsupport=ON -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF \
            -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF \
            -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
    fi
    # The features switched off above leave only the modules and plugins solamine loads.
    low cmake --build "$build" --parallel "$jobs"
    cmake --install "$build" >/dev/null
    touch "$prefix/qt.stamp"
}

# Builds a Debian source package with its own CMake files into the prefix, once, with the given
# CMake options.
build_with_cmake() {
    local package=$1 src prefix build
    shift
    src=$(source_of "$package")
    prefix=$(prefix)
    build=$cache/build-$package-$(version_of "$package")
    [ -f "$prefix/$package.stamp" ] && return 0
    low cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >/dev/null
    low cmake --build "$build" --parallel "$jobs"
    cmake --install "$build" >/dev/null
    touch "$prefix/$package.stamp"
}

# CMake options that configure a project for the Windows Qt, as its qt-cmake does. The toolchain
# is named again: the one Qt was configured with may have moved since.
with_windows_qt() {
    echo "-DCMAKE_TOOLCHAIN_FILE=$(prefix)/lib/cmake/Qt6/qt.toolchain.cmake" \
        "-DQT_CHAINLOAD_TOOLCHAIN_FILE=$toolchain" "-DSOLAMINE_WINDOWS_PREFIX=$(prefix)" \
        "-DCMAKE_PREFIX_PATH=$(prefix)"
}

# hidapi's Windows backend (SetupAPI and the HID class driver underneath).
build_hidapi() {
    build_with_cmake hidapi -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DBUILD_SHARED_LIBS=ON \
        -DHIDAPI_BUILD_HIDTEST=OFF
}

# QCustomPlot with its own CMake files (as Debian builds it), against the Windows Qt.
build_qcustomplot() {
    build_with_cmake qcustomplot $(with_windows_qt) -DUSE_QT_VERSION=6
}

# libmosquitto alone (no broker, clients or C++ wrapper), without TLS: Debian's OpenSSL is not
# built for Windows here. The window and the station publish over plain MQTT only.
build_mosquitto() {
    build_with_cmake mosquitto -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DWITH_TLS=OFF \
        -DWITH_CJSON=OFF -DWITH_BROKER=OFF -DWITH_APPS=OFF -DWITH_PLUGINS=OFF -DWITH_CLIENTS=OFF \
        -DWITH_LIB_CPP=OFF -DDOCUMENTATION=OFF -DWITH_THREADING=OFF -DWITH_UNIX_SOCKETS=OFF
    # Its install rule leaves out the import library that links against the DLL.
    cp -u "$cache/build-mosquitto-$(version_of mosquitto)/lib/libmosquitto.dll.a" "$(prefix)/lib/"
}

third_party() {
    step "Tools"; timed "tools and sources" install_tools
    step "hidapi"; timed "hidapi for Windows" build_hidapi
    step "libmosquitto"; timed "libmosquitto for Windows" build_mosquitto
    step "Qt"; timed "Qt for Windows" build_qt
    step "QCustomPlot"; timed "QCustomPlot for Windows" build_qcustomplot
}

version=$(sed -n 's/^project(solamine VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
build=$out/build
package=solamine-$version-windows-x64
stage=$out/$package

# solamine, solamine-cli and the test executables, with the project's own CMake files.
build_project() {
    low cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release $(with_windows_qt) \
        -DSOLAMINE_TESTS=ON >/dev/null
    low cmake --build "$build" --parallel "$jobs" --target solamine solamine-cli \
        tests_data tests_device tests_session tests_ui tests_cli
}

# The DLLs a Windows executable or DLL loads, found among ours; the system's own are not ours
# to ship.
dll_folders() {
    echo "$(prefix)/bin" "$(prefix)/lib" /usr/lib/gcc/$triple/*-posix /usr/$triple/lib
}
copy_dependencies() {
    local file=$1 to=$2 name found folder
    for name in $($triple-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        [ -f "$to/$name" ] && continue
        found=
        for folder in $(dll_folders); do
            if [ -f "$folder/$name" ]; then found=$folder/$name; break; fi
        done
        [ -n "$found" ] || continue
        cp "$found" "$to/"
        copy_dependencies "$found" "$to"
    done
}

# Copies the programs and everything they load into dir; with tests=1 also the test programs
# and what only they load.
deploy() {
    local dir=$1 tests=${2:-0} prefix plugin
    prefix=$(prefix)
    rm -rf "$dir" && mkdir -p "$dir"
    cp "$build/solamine.exe" "$build/solamine-cli.exe" "$dir/"
    if [ "$tests" = 1 ]; then
        cp "$build"/tests/tests_*.exe "$dir/"
    fi
    for plugin in platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qgif.dll \
                  imageformats/qico.dll imageformats/qjpeg.dll; do
        mkdir -p "$dir/plugins/$(dirname $plugin)"
        cp "$prefix/plugins/$plugin" "$dir/plugins/$plugin"
    done
    if [ "$tests" = 1 ]; then
        mkdir -p "$dir/plugins/platforms" && cp "$prefix/plugins/platforms/qoffscreen.dll" "$dir/plugins/platforms/"
    fi
    for file in "$dir"/*.exe "$dir"/plugins/*/*.dll; do
        copy_dependencies "$file" "$dir"
    done
    # The MinGW runtime and Qt carry their symbols: ten times the size for nothing a user runs.
    $triple-strip --strip-unneeded "$dir"/*.exe "$dir"/*.dll "$dir"/plugins/*/*.dll
    printf '[Paths]\r\nPrefix=.\r\nPlugins=plugins\r\nTranslations=translations\r\n' >"$dir/qt.conf"
    mkdir -p "$dir/translations"
    cp /usr/share/qt6/translations/qtbase_ja.qm "$dir/translations/"
    cp "$root/packaging/windows/solamine.ico" "$dir/"
}

licences() {
    local dir=$1/licenses
    mkdir -p "$dir"
    cp "$(source_of qt6-base)"/LICENSES/LGPL-3.0-only.txt "$dir/Qt-LGPL-3.0.txt"
    cp "$(source_of qt6-base)"/LICENSES/GPL-3.0-only.txt "$dir/Qt-GPL-3.0.txt"
    cp "$(source_of qcustomplot)"/GPL.txt "$dir/QCustomPlot-GPL-3.0.txt"
    cp "$(source_of hidapi)"/LICENSE-bsd.txt "$dir/hidapi-BSD.txt"
    cp "$(source_of mosquitto)"/epl-v20 "$dir/mosquitto-EPL-2.0.txt"
    cp "$(source_of mosquitto)"/edl-v10 "$dir/mosquitto-EDL-1.0.txt"
    cp /usr/share/doc/gcc-mingw-w64-base/copyright "$dir/MinGW-GCC-runtime.txt"
    cp /usr/share/doc/mingw-w64-common/copyright "$dir/MinGW-w64-winpthreads.txt"
}

# The installer's File lines and the uninstaller's Delete lines for the files under dir.
nsis_file_list() {
    local dir=$1 path
    echo '!ifdef INSTALL'
    while read -r path; do
        path=${path#.}
        echo "SetOutPath \"\$INSTDIR${path//\//\\}\""
        find "$dir$path" -maxdepth 1 -type f | sort | sed 's/^/File "/; s/$/"/'
    done < <(cd "$dir" && find . -type d | sort)
    echo '!else'
    while read -r path; do
        path=${path#./}
        echo "Delete \"\$INSTDIR\\${path//\//\\}\""
    done < <(cd "$dir" && find . -type f | sort)
    while read -r path; do
        path=${path#./}
        echo "RMDir \"\$INSTDIR\\${path//\//\\}\""
    done < <(cd "$dir" && find . -mindepth 1 -type d | sort -r)
    echo '!endif'
}

# The zip, and the NSIS installer of the same files.
package() {
    local list=$out/files.nsh
    deploy "$stage"
    licences "$stage"
    # Windows readers expect CRLF; a BOM tells Notepad it is UTF-8.
    printf '\xef\xbb\xbf' >"$stage/README-ja.txt"
    sed 's/$/\r/' "$root/packaging/windows/README-ja.txt" >>"$stage/README-ja.txt"
    rm -f "$out/$package.zip"
    (cd "$out" && zip -qr9 "$package.zip" "$package")
    nsis_file_list "$stage" >"$list"
    makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSOURCE="$stage" -DFILES="$list" \
        -DOUTFILE="$out/solamine-$version-setup.exe" "$root/packaging/windows/solamine.nsi"
    ls -l "$out/$package.zip" "$out/solamine-$version-setup.exe"
}

wine_run() { low wine "$@"; }

# The window under Wine on a virtual screen, driven by keys as a user drives it: Start, a whole
# minute of data, Save As through Windows' own file dialog, close. Wine's own desktop draws the
# window frames. The screenshots stay in build-windows/ (docs/windows.png is one of them).
window_check() {
    local dir=$out/test display=:$((50 + RANDOM % 40)) xvfb window saved=$out/test/window.csv
    rm -f "$saved" "$out"/window-*.png "$dir/solamine.ini"
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=$display
    sleep 2
    (cd "$dir" && wine explorer /desktop=solamine,1024x768 ./solamine.exe --simulate >/dev/null 2>&1 &)
    window=$(timeout 60 xdotool search --sync --onlyvisible --classname 'solamine.exe' | head -1)
    if [ -n "$window" ]; then
        xdotool windowfocus "$window" 2>/dev/null || true
        xdotool key alt+l && sleep 1 && xdotool key b
        # A whole minute: the minute logging started in is not counted whole and stays out; the
        # next one is, and is finished at the boundary after it.
        sleep $((123 - 10#$(date +%S)))
        import -window root "$out/window-running.png"
        xdotool key alt+f && sleep 1 && xdotool key a
        sleep 5
        import -window root "$out/window-save-as.png"
        xdotool type --delay 40 "$(winepath -w "$saved")"
        xdotool key Return
        sleep 3
        import -window root "$out/window-saved.png"
        xdotool key alt+f && sleep 1 && xdotool key x
    fi
    local closed=no
    for _ in $(seq 30); do
        if ! pgrep -f 'solamine\.exe --simulate' >/dev/null; then closed=yes; break; fi
        sleep 1
    done
    wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    unset DISPLAY
    # At the close the settings go beside the program.
    if [ -n "$window" ] && [ "$closed" = yes ] && [ -s "$saved" ] &&
        grep -Eq '^[0-9]{2}/[0-9]{2}/[0-9]{2}, [0-9]{2}:[0-9]{2}, [0-9]+' "$saved" &&
        grep -q '^\[Graph\]' "$dir/solamine.ini" 2>/dev/null; then
        echo "PASS window: started, $(wc -l <"$saved") minute(s) saved through the file dialog, closed;" \
            "solamine.ini written beside the program"
    else
        echo "FAIL window: window ${window:-not found}, closed $closed, saved $(wc -l <"$saved" 2>/dev/null || echo nothing)," \
            "INI $(ls "$dir/solamine.ini" 2>/dev/null || echo missing)"
        return 1
    fi
}

# The error box's caption as Windows holds it: the offscreen platform of the other tests has no
# captions, so this one test runs with the windows platform on a virtual screen, inside Wine's
# own desktop (without it, Wine fails to create the box's window on a bare X server).
caption_check() {
    local dir=$out/test display=:$((50 + RANDOM % 40)) xvfb result=$out/test/results/ErrorBoxCaption.txt status=0
    mkdir -p "$dir/results" && rm -f "$result"
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    sleep 2
    (cd "$dir" && DISPLAY=$display low timeout 300 wine explorer /desktop=solamine,1024x768 \
        ./tests_ui.exe -class ErrorBoxTest captionIsEmpty -platform windows \
        -o "$(winepath -w "$result")",txt) >/dev/null 2>&1 || status=$?
    wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    if [ "$status" = 0 ] && grep -aq '^PASS   : ErrorBoxTest::captionIsEmpty' "$result"; then
        echo "PASS error box: empty caption"
    else
        echo "FAIL error box caption: $(grep -a '^FAIL\|^SKIP' -A2 "$result" 2>/dev/null || echo "no result, exit $status")"
        return 1
    fi
}

# Runs the test programs under Wine, compares convert with the Linux build byte for byte, and
# installs and removes the installer silently. Prints one line per check; fails if any failed.
# The test folder (programs, tests, fonts) and a fresh Wine prefix on a Japanese desktop.
prepare_wine() {
    local dir=$out/test
    deploy "$dir" 1
    # The offscreen platform draws text with the fonts in QT_QPA_FONTDIR only.
    mkdir -p "$dir/fonts"
    cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$dir/fonts/" 2>/dev/null || true
    cp /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc "$dir/fonts/" 2>/dev/null || true
    # A Japanese desktop, as the program's users have: code page 932, Japanese system texts.
    export WINEPREFIX=$out/wine WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
    # A fresh Windows each run, so that "nothing left behind" means what it says.
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    # Wine draws the caption buttons with its Marlett font, which it does not find by itself.
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    # The tests start solamine.exe and solamine-cli.exe from the build folder: they find the
    # DLLs and plugins of the test folder through these.
    WINEPATH=$(winepath -w "$dir")
    QT_PLUGIN_PATH=$(winepath -w "$dir/plugins")
    export WINEPATH QT_PLUGIN_PATH
}

run_tests() {
    local dir=$out/test failed=0 name result linux_cli file
    prepare_wine
    # Wine drops a redirected stdout, so results go to files; one file per test class, since
    # each class's run would overwrite the last one's.
    local class passed=0
    for name in data device session ui cli; do
        for class in $(find "$root/tests/$name" -name 'tst_*.cpp' -exec grep -ho 'SOLAMINE_TEST([A-Za-z0-9_]*)' {} + |
                       sed 's/SOLAMINE_TEST(\(.*\))/\1/'); do
            result=$dir/results/$class.txt
            mkdir -p "$dir/results" && rm -f "$result"
            if (cd "$dir" && QT_QPA_FONTDIR=$(winepath -w "$dir/fonts" 2>/dev/null) \
                    low timeout 900 wine "./tests_$name.exe" -class "$class" -platform offscreen \
                    -o "$(winepath -w "$result")",txt); then
                echo "PASS $name/$class: $(grep -a '^Totals' "$result")"
                passed=$((passed + 1))
            elif [ $? = 2 ] && [ ! -e "$result" ]; then
                # tests/CMakeLists.txt leaves out of the Windows build what needs the Linux broker
                # harness, a mount namespace or Qt's HTTP server.
                echo "SKIP $name/$class: not in the Windows build (it needs Linux programs, a mount namespace or Qt's HTTP server; see tests/CMakeLists.txt)"
            else
                echo "FAIL $name/$class: $(grep -a '^Totals' "$result" 2>/dev/null)"
                grep -a '^FAIL' -A3 "$result" 2>/dev/null | head -40 || true
                # A crash leaves no totals: the last lines tell where it stopped.
                grep -aq '^Totals' "$result" 2>/dev/null || tail -3 "$result" 2>/dev/null || true
                failed=1
            fi
        done
    done
    echo "$passed test classes passed under Wine"

    # convert: the same bytes from the Windows and the Linux build.
    linux_cli=$out/linux/solamine-cli
    cmake -S "$root" -B "$out/linux" -DCMAKE_BUILD_TYPE=Release -DSOLAMINE_TESTS=OFF >/dev/null
    low cmake --build "$out/linux" --target solamine-cli --parallel "$jobs" >/dev/null
    mkdir -p "$dir/convert"
    "$root/scripts/year-of-minutes.sh" "$dir/convert/one_year.csv"
    for file in "$root"/tests/*/testdata/*.csv "$root"/tests/fuzz/corpus/csv/*.csv "$dir/convert/one_year.csv"; do
        name=$(basename "$file" .csv)
        "$linux_cli" convert "$file" "$dir/convert/$name.linux.csv" >/dev/null 2>&1 || true
        (cd "$dir" && wine_run ./solamine-cli.exe convert "$(winepath -w "$file")" \
            "$(winepath -w "$dir/convert/$name.windows.csv")" >/dev/null 2>&1) || true
        if [ -f "$dir/convert/$name.linux.csv" ] &&
            cmp -s "$dir/convert/$name.linux.csv" "$dir/convert/$name.windows.csv"; then
            echo "PASS convert $name.csv ($(stat -c %s "$dir/convert/$name.linux.csv") bytes alike)"
        else
            echo "FAIL convert $name.csv"
            failed=1
        fi
    done

    # The station under Wine, publishing to Debian's broker on 127.0.0.1: the minute it writes
    # is the minute the broker gets. Then Ctrl+C (Wine turns SIGINT into the console's Ctrl+C
    # event): a clean stop, and the broker hears the station go offline.
    local job pid status=0 port broker subscriber line count
    port=$((20000 + RANDOM % 20000))
    rm -rf "$dir/mqtt" && mkdir -p "$dir/mqtt"
    printf 'listener %s 127.0.0.1\nallow_anonymous true\nlog_dest none\n' "$port" >"$dir/mqtt/broker.conf"
    mosquitto -c "$dir/mqtt/broker.conf" &
    broker=$!
    sleep 1
    mosquitto_sub -p "$port" -h 127.0.0.1 -v -t 'solamine/#' -t 'homeassistant/#' >"$dir/mqtt/received" &
    subscriber=$!
    rm -f "$dir/station.csv" "$dir/station.err"
    (cd "$dir" && exec wine ./solamine-cli.exe log --simulate --mqtt "mqtt://127.0.0.1:$port" \
        --mqtt-id wine station.csv >/dev/null 2>station.err) &
    job=$!
    # The first whole minute ends at most two minutes after the start.
    for _ in $(seq 180); do [ -s "$dir/station.csv" ] && break; sleep 1; done
    sleep 2
    pid=$(pgrep -f '^\./solamine-cli\.exe log --simulate' | head -1)
    [ -n "$pid" ] && kill -INT "$pid"
    wait "$job" || status=$?
    sleep 1
    kill "$subscriber" "$broker" 2>/dev/null || true
    wait "$subscriber" "$broker" 2>/dev/null || true
    if [ "$status" = 0 ] && grep -q stopped "$dir/station.err" && [ -s "$dir/station.csv" ]; then
        echo "PASS Ctrl+C ends solamine-cli log with its whole minutes written"
    else
        echo "FAIL Ctrl+C: exit $status"
        failed=1
    fi
    line=$(head -1 "$dir/station.csv" | tr -d '\r')
    count=$(echo "$line" | cut -d, -f3 | tr -d ' ')
    if [ -n "$count" ] && grep -q "^solamine/wine/state {.*\"cpm\":$count," "$dir/mqtt/received" &&
        grep -q '^homeassistant/sensor/solamine_wine/cpm/config ' "$dir/mqtt/received" &&
        grep -q '^solamine/wine/availability online$' "$dir/mqtt/received" &&
        [ "$(grep '^solamine/wine/availability' "$dir/mqtt/received" | tail -1)" = 'solamine/wine/availability offline' ]; then
        echo "PASS MQTT: discovery, online, the minute \"$line\" as published, offline at the stop"
    else
        echo "FAIL MQTT: $(wc -l <"$dir/mqtt/received") messages for the minute \"$line\""
        cat "$dir/mqtt/received"
        failed=1
    fi

    window_check || failed=1
    caption_check || failed=1

    # The installer, silently: installed, then removed without a trace.
    local setup=$out/solamine-$version-setup.exe target
    target=$out/wine/drive_c/"Program Files"/solamine
    wine_run "$setup" /S
    if [ -f "$target/solamine.exe" ] && [ -f "$target/uninstall.exe" ] &&
        [ -d "$out/wine/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ソラミネ" ]; then
        echo "PASS installer: installed in Program Files with a Start menu entry"
    else
        echo "FAIL installer: not installed"
        failed=1
    fi
    # The uninstaller copies itself away and returns at once: wait for it to finish.
    wine_run 'C:\Program Files\solamine\uninstall.exe' /S
    for _ in $(seq 120); do [ -d "$target" ] || break; sleep 1; done
    if [ ! -e "$target" ] &&
        [ ! -e "$out/wine/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ソラミネ" ] &&
        ! wine_run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\solamine' >/dev/null 2>&1; then
        echo "PASS uninstaller: nothing left behind"
    else
        echo "FAIL uninstaller: something is left"
        failed=1
    fi
    return $failed
}

# One compound command, read whole before it runs: editing this file during a long build cannot
# change what the running script does next.
{
case "$what" in
    third) third_party ;;
    hidapi) step "hidapi"; timed "hidapi for Windows" build_hidapi ;;
    mosquitto) step "libmosquitto"; timed "libmosquitto for Windows" build_mosquitto ;;
    window) prepare_wine; window_check ;;
    qt) step "Tools"; install_tools; step "Qt"; timed "Qt for Windows" build_qt ;;
    project) third_party; step "solamine"; timed "solamine for Windows" build_project ;;
    all)
        third_party
        step "solamine"; timed "solamine for Windows" build_project
        step "Zip and installer"; timed "zip and installer" package
        ;;
    test)
        third_party
        step "solamine"; timed "solamine for Windows" build_project
        step "Zip and installer"; timed "zip and installer" package
        step "Tests under Wine"; timed "tests under Wine" run_tests
        ;;
    *) echo "usage: $0 [all|third|project|test]" >&2; exit 2 ;;
esac
exit
}
