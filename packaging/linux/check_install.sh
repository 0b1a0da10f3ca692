#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands there:
# both programs side by side and executable, the launcher on the PATH
# resolving to Muralset, a valid menu entry whose program and icon are
# installed, and nothing else; then makes the .deb with CPack and checks that
# it holds the same files under /usr.
#
#   check_install.sh CMAKE BUILD-FOLDER DESKTOP-FILE-VALIDATE [CPACK]
set -euo pipefail
cmake=$1 build=$2 validate=${3:-} cpack=${4:-}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }

work=$(mktemp -d "${TMPDIR:-/tmp}/muralis-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/usr

if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    echo "FAIL: cmake --install"
    exit 1
fi

# Exactly these files, no more.
expected="bin/muralset
lib/muralis/Muralrun
lib/muralis/Muralset
share/applications/muralis.desktop
share/icons/hicolor/128x128/apps/muralis.png
share/icons/hicolor/32x32/apps/muralis.png
share/icons/hicolor/64x64/apps/muralis.png"
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

# The Debian package, made in the temporary folder.
if [ -z "$cpack" ] || ! command -v dpkg-deb >/dev/null; then
    echo "skipped: the .deb (no cpack or dpkg-deb)"
elif ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    fail "cpack -G DEB"
else
    deb=$(find "$work/deb" -maxdepth 1 -name 'muralis_*.deb')
    check "cpack made one muralis_VERSION_ARCH.deb" test -n "$deb" -a "$(echo "$deb" | wc -l)" -eq 1
    check "the package is named muralis" test "$(dpkg-deb -f "$deb" Package)" = muralis
    check "the package has its dependencies" test -n "$(dpkg-deb -f "$deb" Depends)"
    packaged=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' | LC_ALL=C sort)
    if [ "$packaged" = "$expected" ]; then
        echo "ok: the .deb holds the installed files under /usr"
    else
        fail "the .deb's files differ from the expected ones under /usr:"
        diff <(echo "$expected") <(echo "$packaged") || true
    fi
    check "the .deb's launcher is the same relative link" \
        test "$(dpkg-deb -c "$deb" | awk '$6 == "./usr/bin/muralset" { print $8 }')" = ../lib/muralis/Muralset
fi

if [ "$failures" -eq 0 ]; then
    echo "install layout: all checks passed"
else
    echo "install layout: $failures checks failed"
    exit 1
fi
