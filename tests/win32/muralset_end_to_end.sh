#!/usr/bin/env bash
# Muralset.exe end to end under Wine, one case per call, registered by CTest:
#
#   muralset_end_to_end.sh setup | cleanup | <case>
#
# "setup" makes a fresh Wine prefix and starts a private X server (Xvfb at
# 96 DPI) for the window; the cases share both; "cleanup" stops them and
# removes the prefix. The environment names the programs and folders:
# MURALSET_EXE, MURALRUN_EXE, READER_EXE (window_reader.exe: reads another
# program's window, shortcut and resources back through the Win32 API),
# WINDOW_TESTS_EXE (the window's own tests, which need the display),
# EDITOR_SERVICES_EXE (the Win32 layer's editor services, whose message
# boxes and screen size want the display), E2E_STATE (the state folder) and SCREENSHOTS (where pictures of the window
# are saved).
#
# Every Wine command writes into a file: Wine's helper processes keep
# inherited pipes open for seconds after a program ends.
set -euo pipefail

state=${E2E_STATE:?E2E_STATE names the state folder}
# shellcheck source=wine_session.sh
source "$(dirname "$0")/wine_session.sh"
program_folder='C:\Muralis'
step_seconds=120 # the most one Wine program may take, cold start included
english_title="Orlimo's Muralis"

wine_step() {
    timeout "$step_seconds" wine "$@" </dev/null
}

setup() {
    start_session
    # Wine draws the windows' frames itself: with no window manager on the
    # private display, the caption would otherwise be missing from the
    # screenshots. The client area is the same either way.
    wine_step reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        >"$state/reg.log" 2>&1 || fail "cannot make Wine draw the frames"

    local folder
    folder=$(unix_path "$program_folder")
    mkdir -p "$folder"
    cp "${MURALSET_EXE:?}" "$folder/Muralset.exe"
    cp "${MURALRUN_EXE:?}" "$folder/Muralrun.exe"
    # Pictures beside the programs, and a file the list must leave out.
    convert -size 32x24 xc:#ff0000 "BMP3:$folder/b.bmp" || fail "ImageMagick could not make a picture"
    convert -size 32x24 xc:#0000ff "BMP3:$folder/A.BMP"
    echo notes >"$folder/notes.txt"
    echo "prefix ready: $prefix, display $DISPLAY"
}

startup_folder() {
    local user
    user=$(basename "$(find "$drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)")
    echo "$drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/StartUp"
}

# No schedule and no start-up shortcut: the state of a first run.
reset_first_run() {
    rm -f "$(unix_path 'C:\windows\Vantorel.cfg')"
    rm -f "$(startup_folder)/Today's Wallpaper.lnk" "$(startup_folder)/Papier-peint du jour.lnk"
}

# Starts the editor in the locale $1 (en_US.UTF-8 by default) in the
# background; $editor is its process.
start_editor() {
    local locale=${1:-en_US.UTF-8}
    LC_ALL=$locale LANG=$locale timeout "$step_seconds" wine "$program_folder\\Muralset.exe" \
        >"$state/muralset.log" 2>&1 </dev/null &
    editor=$!
}

# Waits for the editor's window titled $1 to be shown and reads it into
# $state/window.txt.
read_window() {
    wine_step "${READER_EXE:?}" window "$1" 90 >"$state/window.txt" 2>&1 ||
        fail "no window titled '$1' appeared"
}

# The value of key $1 in the window's description.
value() {
    sed -n "s/^$1=//p" "$state/window.txt" | tr -d '\r' | head -n 1
}

expect_value() {
    [ "$(value "$1")" = "$2" ] || fail "$1 is '$(value "$1")', not '$2'"
}

# Expects a child window line that starts with $1 (CLASS|TEXT|ENABLED).
expect_control() {
    grep -qF "control=$1|" "$state/window.txt" || fail "no control $1 in the window"
}

# Asks the window titled $1 to close and checks that the editor ends with 0.
close_editor() {
    wine_step "$READER_EXE" close "$1" >"$state/close.log" 2>&1 || fail "cannot close the window"
    local code=0
    wait "$editor" || code=$?
    [ "$code" = 0 ] || fail "Muralset ended with $code, not 0"
}

# Saves the window, frame included, as $SCREENSHOTS/$1 and prints the colour
# of the client area's pixel at $2,$3 into $pixel.
screenshot() {
    local name=$1 x=$2 y=$3 frame origin
    frame=$(value frame)
    origin=$(value client_origin)
    local fx fy fw fh ox oy
    IFS=, read -r fx fy fw fh <<<"$frame"
    IFS=, read -r ox oy <<<"$origin"
    mkdir -p "${SCREENSHOTS:?}"
    import -display "$DISPLAY" -window root -crop "${fw}x${fh}+${fx}+${fy}" +repage "$SCREENSHOTS/$name" ||
        fail "cannot take a screenshot"
    pixel=$(import -display "$DISPLAY" -window root -crop "1x1+$((ox + x))+$((oy + y))" -depth 8 txt:- |
        sed -n 's/.*\(#[0-9A-Fa-f]\{6\}\).*/\1/p' | head -n 1)
}

case_english_window() {
    reset_first_run
    start_editor en_US.UTF-8
    read_window "$english_title"

    # A fixed frame whose client area is 4455 x 3120 twips at 96 DPI.
    expect_value client 297x208
    expect_value sizable 0
    expect_value maximize 0
    expect_value minimize 1
    expect_control 'Button|Picture|0'
    expect_control 'Button|&Accept|1'
    expect_control 'Button|&Save|0'
    expect_control 'Button|&Quit|1'
    expect_control 'Static|Visit:|1'
    expect_control 'Edit||1'
    # The panel's labels are its children; the panel covers the picture.
    for label in 'Choose the' '.BMP file' 'to add here' 'for'; do
        grep -q "^control=Static|$label|1|1|.*|Frame1\$" "$state/window.txt" ||
            fail "no label '$label' in the panel"
    done
    grep -qx 'control=ListBox||1|1|0,102,193,71|window' "$state/window.txt" || fail "the file list is misplaced"
    grep -qx 'control=MuralisPanel|Frame1|1|1|208,10,81,57|window' "$state/window.txt" || fail "the panel is misplaced"
    local panel_line image_line
    panel_line=$(grep -n '^control=MuralisPanel' "$state/window.txt" | cut -d: -f1)
    image_line=$(grep -n '^control=MuralisPicture' "$state/window.txt" | cut -d: -f1)
    [ "$panel_line" -lt "$image_line" ] || fail "the picture is stacked above the panel"
    # The lists after the load: the program's folder, its pictures only.
    grep -qx 'items=|1|C:\\;Muralis' "$state/window.txt" || fail "the folder list shows otherwise"
    grep -qx 'items=|-1|A.BMP;b.bmp' "$state/window.txt" || fail "the file list shows otherwise"
    expect_value tab_order 'Edit,&Accept,&Quit,ComboBox,ListBox,ListBox'

    # The screen shows the model's colours: the address box yellow, the
    # file list cyan.
    screenshot muralset-windows.png 240 190
    [ "$pixel" = "#FFFF00" ] || fail "the address box is $pixel on the screen, not yellow"
    screenshot muralset-windows.png 150 165
    [ "$pixel" = "#00FFFF" ] || fail "the file list is $pixel on the screen, not cyan"
    close_editor "$english_title"
}

case_french_window() {
    reset_first_run
    start_editor fr_FR.UTF-8
    read_window Muralis
    expect_value title Muralis
    expect_control 'Button|Images|0'
    expect_control 'Button|Accepter|1'
    expect_control 'Button|Enregistrer|0'
    expect_control 'Button|Quitter|1'
    expect_control 'Static|Visitez|1'
    grep -q '^control=Static||1|1|0,0,81,17|Frame1$' "$state/window.txt" || fail "the top label is not empty"
    for label in 'Choisissez' "l'image .BMP" 'pour'; do
        grep -q "^control=Static|$label|1|1|.*|Frame1\$" "$state/window.txt" ||
            fail "no label '$label' in the panel"
    done
    screenshot muralset-windows-fr.png 240 190
    close_editor Muralis
}

# $1 locale, $2 shortcut name, $3 the window's title.
first_run_case() {
    reset_first_run
    start_editor "$1"
    # The window is shown once the load, which makes the shortcut, is done.
    read_window "$3"
    wine_step "$READER_EXE" startup "$2" >"$state/shortcut.txt" 2>&1 || fail "no shortcut '$2.lnk'"
    local target
    target=$(sed -n 's/^target=//p' "$state/shortcut.txt" | tr -d '\r')
    [ "$target" = "$program_folder\\Muralrun.exe" ] || fail "the shortcut starts '$target'"
    close_editor "$3"
}

case_first_run_makes_the_startup_shortcut() {
    first_run_case en_US.UTF-8 "Today's Wallpaper" "$english_title"
    [ ! -e "$(startup_folder)/Papier-peint du jour.lnk" ] || fail "a French shortcut was made too"
}

case_first_run_makes_the_french_startup_shortcut() {
    first_run_case fr_FR.UTF-8 'Papier-peint du jour' Muralis
    [ ! -e "$(startup_folder)/Today's Wallpaper.lnk" ] || fail "an English shortcut was made too"
}

case_a_schedule_means_no_first_run() {
    reset_first_run
    local file
    file=$(unix_path 'C:\windows\Vantorel.cfg')
    for slot in 1 2 3 4 5 6 7; do
        printf '"%s\\b.bmp%s"\r\n' "$program_folder" "$slot"
    done >"$file"
    start_editor en_US.UTF-8
    read_window "$english_title"
    [ ! -e "$(startup_folder)/Today's Wallpaper.lnk" ] || fail "a shortcut was made although a schedule exists"
    close_editor "$english_title"
    rm -f "$file"
}

# The window follows the screen's DPI: at 120 DPI, 4455 x 3120 twips are
# 371 x 260 pixels. Wine takes the DPI from the user's settings when its
# processes start, so they are restarted around the change.
restore_dpi() {
    wine_step reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >"$state/reg.log" 2>&1 || true
    timeout 60 wineserver -k >/dev/null 2>&1 </dev/null || true
}

case_window_at_120_dpi() {
    # The other cases expect 96 DPI, whatever becomes of this one.
    trap restore_dpi EXIT
    wine_step reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 120 /f >"$state/reg.log" 2>&1 ||
        fail "cannot set the DPI"
    timeout 60 wineserver -k >/dev/null 2>&1 </dev/null || true
    reset_first_run
    start_editor en_US.UTF-8
    read_window "$english_title"
    screenshot muralset-windows-120dpi.png 240 230
    close_editor "$english_title"
    expect_value client 371x260
    grep -qx 'control=ListBox||1|1|0,128,241,88|window' "$state/window.txt" || fail "the file list is misplaced"
}

# The program file itself: the icon Explorer shows, the globe pointer in
# both sizes with its hot spot on the globe's centre, the manifest.
case_program_carries_its_icon_pointer_and_manifest() {
    wine_step "$READER_EXE" resources "$program_folder\\Muralset.exe" >"$state/resources.txt" 2>&1 ||
        fail "cannot read the program's resources"
    local expected
    expected=$(printf '%s\n' icon_sizes=32x32 cursor_sizes=32x32,16x16 cursor_hotspot_32=15,15 \
        cursor_hotspot_16=7,7 manifest_as_invoker=yes manifest_dpi_aware=yes original_filename=Muralset.exe)
    [ "$(tr -d '\r' <"$state/resources.txt")" = "$expected" ] || fail "the program carries otherwise"
}

# The window's own tests need a display: they run on this one.
case_window_tests() {
    LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 timeout 300 wine "${WINDOW_TESTS_EXE:?}" \
        >"$state/window-tests.log" 2>&1 </dev/null || fail "the window's tests failed"
    cat "$state/window-tests.log"
}

# The Win32 layer's message boxes and screen size on a real display: a test
# skipped for want of one counts as failed here.
case_desktop_services_on_the_display() {
    LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 timeout 300 \
        wine "${EDITOR_SERVICES_EXE:?}" --gtest_filter='Win32MessageBox.*:Win32ScreenSize.*' \
        >"$state/desktop-services.log" 2>&1 </dev/null || fail "the desktop services' tests failed"
    ! grep -q '^wine: Unhandled' "$state/desktop-services.log" || fail "the desktop services' tests crashed"
    ! grep -q '\[  SKIPPED \]' "$state/desktop-services.log" || fail "a desktop services' test was skipped"
    cat "$state/desktop-services.log"
}

run_step "$@"
