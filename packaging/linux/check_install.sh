#!/usr/bin/env bash
# The Linux installation, in one of two ways:
#
#   check_install.sh layout CMAKE BUILD-FOLDER CPACK DESKTOP-FILE-VALIDATE SHIPPING
#       Installs the build into a temporary prefix and checks what lands
#       there: both programs side by side and executable, Muralrun without
#       Qt at start, the launcher on the
#       PATH resolving to Muralset, a valid menu entry whose program and icon
#       are installed, valid AppStream metadata naming that entry, a manual
#       page man reads without a warning, and nothing else; then makes the
#       .deb with CPack and checks that it holds the same files under /usr,
#       and, when SHIPPING is "yes" (an optimised build without sanitizers),
#       that lintian has nothing to say about it.
#   check_install.sh system CMAKE BUILD-FOLDER CPACK
#       As root only (exit 77, skipped, otherwise, or when a muralis package
#       is installed already): installs the .deb on this machine with apt,
#       starts Muralrun for a user with no schedule and sees it start the
#       editor, which registers the installed Muralrun at log-on; then
#       removes and purges the package, and checks that the programs are gone
#       and that the user's schedule and autostart entry are left as they were.
set -euo pipefail
mode=$1 cmake=$2 build=$3 cpack=$4 validate=${5:-} shipping=${6:-no}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }

work=$(mktemp -d "${TMPDIR:-/tmp}/muralis-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/usr

# Makes the .deb in $work/deb and sets $deb to it.
make_deb() {
    if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1; then
        cat "$work/cpack.log"
        fail "cpack -G DEB"
        return 1
    fi
    deb=$(find "$work/deb" -maxdepth 1 -name 'muralis_*.deb')
    check "cpack made one muralis_VERSION_ARCH.deb" test -n "$deb" -a "$(echo "$deb" | wc -l)" -eq 1
}

# Ends the script with its verdict.
verdict() {
    if [ "$failures" -eq 0 ]; then
        echo "$1: all checks passed"
    else
        echo "$1: $failures checks failed"
        exit 1
    fi
}

layout() {
    if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
        cat "$work/install.log"
        echo "FAIL: cmake --install"
        exit 1
    fi

    # Exactly these files, no more.
    expected=$(printf '%s\n' \
        bin/muralset \
        lib/muralis/Muralrun \
        lib/muralis/Muralset \
        lib/muralis/modules/muralis-qt.so \
        share/applications/muralis.desktop \
        share/doc/muralis/changelog.gz \
        share/doc/muralis/copyright \
        share/icons/hicolor/128x128/apps/muralis.png \
        share/icons/hicolor/32x32/apps/muralis.png \
        share/icons/hicolor/64x64/apps/muralis.png \
        share/lintian/overrides/muralis \
        share/man/man1/muralset.1.gz \
        share/metainfo/org.example.muralis.metainfo.xml)
    installed=$(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
    if [ "$installed" = "$expected" ]; then
        echo "ok: the installed files"
    else
        fail "the installed files differ from the expected ones:"
        diff <(echo "$expected") <(echo "$installed") || true
    fi

    # The programs, in one folder of their own.
    for program in Muralset Muralrun; do
        path=$prefix/lib/muralis/$program
        check "$program is an executable file in lib/muralis" test -f "$path" -a ! -L "$path" -a -x "$path"
    done

    # What each program loads at start, as ldd lists it (its libraries and
    # theirs): Muralrun no Qt, which it loads from its module only to show a
    # message or to read a picture that is no plain bitmap; Muralset no GIO,
    # which it loads to save a week (the session bus) or to visit the site.
    loaded_at_start() { ldd "$prefix/lib/muralis/$1" | awk '{ print $1 }'; }
    loads() { local list; list=$(loaded_at_start "$1") && grep -q "^$2" <<<"$list"; }
    leaves_out() { local list; list=$(loaded_at_start "$1") && ! grep -q "^$2" <<<"$list"; }
    check "Muralrun loads no Qt library at start" leaves_out Muralrun libQt
    check "Muralset loads no GIO at start" leaves_out Muralset libgio
    # The picture decoders are loaded at the first picture of their format.
    for decoder in libjpeg libpng libwebp; do
        check "Muralrun loads no $decoder at start" leaves_out Muralrun "$decoder"
    done
    check "the module Muralrun loads Qt from links Qt Widgets" loads modules/muralis-qt.so libQt6Widgets

    # The launcher: a relative link, so that the tree can move (DESTDIR, the
    # .deb), resolving to the editor in its own folder; /proc/self/exe gives the
    # programs that folder.
    launcher=$prefix/bin/muralset
    check "bin/muralset is a link" test -L "$launcher"
    check "bin/muralset is relative" test "$(readlink "$launcher")" = ../lib/muralis/Muralset
    check "bin/muralset resolves to lib/muralis/Muralset" \
        test "$(readlink -f "$launcher")" = "$(readlink -f "$prefix/lib/muralis/Muralset")"
    check "bin/muralset is executable" test -x "$launcher"

    # The menu entry.
    entry=$prefix/share/applications/muralis.desktop
    if [ -z "$validate" ] || [ ! -x "$validate" ]; then
        fail "desktop-file-validate is missing (Debian package desktop-file-utils)"
    elif output=$("$validate" "$entry" 2>&1) && [ -z "$output" ]; then
        echo "ok: desktop-file-validate accepts the menu entry"
    else
        fail "desktop-file-validate: $output"
    fi
    value() { sed -n "s/^$1=//p" "$entry" | head -n 1; }
    check "Type=Application" test "$(value Type)" = Application
    check "Name=Muralis" test "$(value Name)" = Muralis
    check "Name[fr] is given" test -n "$(value 'Name\[fr\]')"
    check "Terminal=false" test "$(value Terminal)" = false
    check "Categories=Settings;DesktopSettings;" test "$(value Categories)" = "Settings;DesktopSettings;"
    exec_program=$(value Exec | cut -d' ' -f1)
    check "Exec names the launcher in bin" test "$exec_program" = muralset -a -x "$prefix/bin/$exec_program"

    # Its icon, by name, in the hicolor theme at each size, as a PNG of that size.
    icon=$(value Icon)
    check "Icon is a theme name" test -n "$icon" -a "${icon#*/}" = "$icon"
    for size in 32 64 128; do
        png=$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png
        if [ -f "$png" ]; then
            read -r w0 w1 w2 w3 h0 h1 h2 h3 < <(od -An -tu1 -j16 -N8 "$png")
            check "the ${size}x${size} icon is a ${size}x${size} PNG" test \
                "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a \
                -a $((w0 << 24 | w1 << 16 | w2 << 8 | w3)) -eq "$size" \
                -a $((h0 << 24 | h1 << 16 | h2 << 8 | h3)) -eq "$size"
        else
            fail "no ${size}x${size} icon $icon.png in hicolor"
        fi
    done

    # The AppStream metadata, naming the menu entry as what it launches.
    metainfo=$prefix/share/metainfo/org.example.muralis.metainfo.xml
    if ! command -v appstreamcli >/dev/null; then
        fail "appstreamcli is missing (Debian package appstream)"
    elif appstreamcli validate --no-net --pedantic "$metainfo" >"$work/appstream.log" 2>&1; then
        echo "ok: appstreamcli accepts the metadata, pedantic"
    else
        fail "appstreamcli: $(cat "$work/appstream.log")"
    fi
    check "the metadata launches muralis.desktop" \
        grep -q '<launchable type="desktop-id">muralis.desktop</launchable>' "$metainfo"

    # The manual page, as lintian reads it: no warning from man.
    if output=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
            man --warnings -E UTF-8 -l -Tutf8 -Z "$prefix/share/man/man1/muralset.1.gz" 2>&1 >/dev/null) &&
        [ -z "$output" ]; then
        echo "ok: man reads the manual page without a warning"
    else
        fail "man: $output"
    fi

    # The Debian package, made in the temporary folder.
    if [ -z "$cpack" ] || ! command -v dpkg-deb >/dev/null; then
        echo "skipped: the .deb (no cpack or dpkg-deb)"
    elif make_deb; then
        check "the package is named muralis" test "$(dpkg-deb -f "$deb" Package)" = muralis
        check "the package has its dependencies" test -n "$(dpkg-deb -f "$deb" Depends)"
        for decoder in libjpeg62-turbo libpng16-16 libwebp7 libwebpdemux2; do
            check "the package depends on $decoder, which the programs load with dlopen" \
                grep -q "\b$decoder\b" <<<"$(dpkg-deb -f "$deb" Depends)"
        done
        check "the changelog's newest entry is the package's version" \
            test "$(gzip -dc "$prefix/share/doc/muralis/changelog.gz" | head -n 1 | sed -n 's/^muralis (\([^)]*\)).*/\1/p')" \
            = "$(dpkg-deb -f "$deb" Version)"
        packaged=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' | LC_ALL=C sort)
        if [ "$packaged" = "$expected" ]; then
            echo "ok: the .deb holds the installed files under /usr"
        else
            fail "the .deb's files differ from the expected ones under /usr:"
            diff <(echo "$expected") <(echo "$packaged") || true
        fi
        check "the .deb's launcher is the same relative link" \
            test "$(dpkg-deb -c "$deb" | awk '$6 == "./usr/bin/muralset" { print $8 }')" = ../lib/muralis/Muralset
        # Debug and sanitizer builds are not hardened or stripped as lintian
        # wants: only a build that ships is judged.
        if [ "$shipping" != yes ]; then
            echo "skipped: lintian (not a build that ships)"
        elif ! command -v lintian >/dev/null; then
            fail "lintian is missing (Debian package lintian)"
        elif lintian --display-info --pedantic --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>"$work/lintian-errors.log" &&
            [ ! -s "$work/lintian.log" ]; then
            echo "ok: lintian has nothing to say about the .deb, pedantic"
        else
            fail "lintian: $(cat "$work/lintian.log" "$work/lintian-errors.log")"
        fi
    fi
    verdict "install layout"
}

# The user's own files that the package must never touch, by checksum.
user_files_unchanged() {
    (cd "$HOME" && sha256sum --quiet -c "$work/user-files.sha256") >/dev/null 2>&1
}

# The process of the installed editor started by this test, found by its
# program and the mark in its environment: Muralrun starts it in a session
# of its own.
installed_editor() {
    local folder pid
    for folder in /proc/[0-9]*; do
        pid=${folder#/proc/}
        [ "$(readlink "$folder/exe" 2>/dev/null)" = /usr/lib/muralis/Muralset ] || continue
        tr '\0' '\n' <"$folder/environ" 2>/dev/null | grep -qxF "MURALIS_INSTALL_TEST=$work" || continue
        echo "$pid"
        return 0
    done
    return 1
}

wait_for() {
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Gone, or a zombie that only waits for whatever stands in for init.
no_process() { [ ! -d "/proc/$1" ] || [ "$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null)" = Z ]; }

system_install() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "skipped: installing the package on this machine needs root"
        exit 77
    fi
    if ! command -v apt-get >/dev/null || ! command -v dpkg-deb >/dev/null; then
        echo "skipped: no apt-get or dpkg-deb"
        exit 77
    fi
    if dpkg-query -W -f '${db:Status-Abbrev}' muralis 2>/dev/null | grep -q '^.[^n]'; then
        echo "skipped: a muralis package is on this machine already, and is left alone"
        exit 77
    fi
    make_deb || verdict "the package on this machine"

    # A user of their own, with nothing to reach outside the test's folder:
    # no display, no session bus, no desktop to set a wallpaper on.
    export HOME=$work/home MURALIS_INSTALL_TEST=$work
    export XDG_DATA_HOME=$HOME/.local/share XDG_CONFIG_HOME=$HOME/.config XDG_RUNTIME_DIR=$work/runtime
    export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
    unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS XDG_CURRENT_DESKTOP DESKTOP_SESSION LANG LANGUAGE
    mkdir -p "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
    export DEBIAN_FRONTEND=noninteractive
    trap 'finish_system' EXIT

    if ! apt-get install -y --no-install-recommends "$deb" >"$work/apt-install.log" 2>&1; then
        cat "$work/apt-install.log"
        fail "apt-get install"
        verdict "the package on this machine"
    fi
    installed=yes
    for file in /usr/lib/muralis/Muralset /usr/lib/muralis/Muralrun /usr/lib/muralis/modules/muralis-qt.so \
                /usr/share/applications/muralis.desktop \
                /usr/share/metainfo/org.example.muralis.metainfo.xml /usr/share/doc/muralis/copyright; do
        check "$file is installed" test -f "$file"
    done
    check "/usr/bin/muralset starts the installed editor" test "$(readlink -f /usr/bin/muralset)" = /usr/lib/muralis/Muralset

    # No schedule: Muralrun starts the editor beside it, and the editor's
    # first run registers that Muralrun at log-on.
    local autostart="$XDG_CONFIG_HOME/autostart/Today's Wallpaper.desktop" code=0
    /usr/lib/muralis/Muralrun >"$work/muralrun.log" 2>&1 </dev/null || code=$?
    check "Muralrun with no schedule ends with 0" test "$code" -eq 0
    if wait_for 30 test -f "$autostart"; then
        echo "ok: the editor started and made the autostart entry"
    else
        fail "no autostart entry within 30 s: $(cat "$work/muralrun.log")"
    fi
    editor=
    if wait_for 10 installed_editor >"$work/editor.pid"; then
        editor=$(cat "$work/editor.pid")
    else
        fail "the editor is not running"
    fi
    if [ -f "$autostart" ]; then
        check "the autostart entry starts the installed Muralrun" \
            grep -qx 'Exec=/usr/lib/muralis/Muralrun' "$autostart"
        # A desktop skips an entry whose TryExec program is gone: once the
        # package is removed, nothing fails at log-on.
        check "the autostart entry tries the installed Muralrun" \
            grep -qx 'TryExec=/usr/lib/muralis/Muralrun' "$autostart"
    fi
    if [ -n "${editor:-}" ]; then
        kill "$editor"
        wait_for 10 no_process "$editor" || fail "the editor did not end"
    fi

    # The user's own schedule, beside the autostart entry.
    mkdir -p "$XDG_DATA_HOME/muralis"
    printf '"/home/pictures/monday.bmp2"\r\n' >"$XDG_DATA_HOME/muralis/Vantorel.cfg"
    touch "$autostart"
    (cd "$HOME" && sha256sum ".local/share/muralis/Vantorel.cfg" ".config/autostart/Today's Wallpaper.desktop") \
        >"$work/user-files.sha256"

    if apt-get remove -y muralis >"$work/apt-remove.log" 2>&1; then
        echo "ok: apt-get remove"
    else
        fail "apt-get remove: $(cat "$work/apt-remove.log")"
    fi
    check "removal takes the programs and their folder" test ! -e /usr/lib/muralis -a ! -e /usr/bin/muralset
    check "removal leaves the user's schedule and autostart entry" user_files_unchanged
    # apt knows a removed local package no more: dpkg purges it.
    if dpkg --purge muralis >"$work/dpkg-purge.log" 2>&1; then
        echo "ok: dpkg --purge"
    else
        fail "dpkg --purge: $(cat "$work/dpkg-purge.log")"
    fi
    installed=no
    check "nothing of the package is left" \
        test -z "$(dpkg-query -W -f '${db:Status-Abbrev}' muralis 2>/dev/null | grep '^.[^n]')" -a ! -e /usr/share/doc/muralis
    check "purging leaves the user's schedule and autostart entry" user_files_unchanged
    verdict "the package on this machine"
}

# Whatever a failed run left: the editor, and the package.
finish_system() {
    if [ -n "${editor:-}" ] && [ -d "/proc/$editor" ]; then
        kill "$editor" 2>/dev/null || true
    fi
    if [ "${installed:-no}" = yes ]; then
        dpkg --purge muralis >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}

case $mode in
    layout) layout ;;
    system) system_install ;;
    *) echo "usage: check_install.sh layout|system CMAKE BUILD-FOLDER CPACK [...]" >&2; exit 2 ;;
esac
