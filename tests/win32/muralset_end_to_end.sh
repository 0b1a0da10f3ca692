#!/usr/bin/env bash
# Muralset.exe end to end under Wine, one case per call, registered by CTest:
#
#   muralset_end_to_end.sh setup | cleanup | <case>
#
# "setup" makes a fresh Wine prefix and starts a private X server (Xvfb at
# 96 DPI) for the window; the cases share both; "cleanup" stops them and
# removes the prefix. The environment names the programs and folders:
# MURALSET_EXE, MURALRUN_EXE, READER_EXE (window_reader.exe: reads and
# drives another program's window and message boxes, and reads shortcuts
# and resources, through the Win32 API),
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
question_title='WARNING: Do you want to save your data ...'
pictures_folder="$program_folder\\pictures"
# Pictures of the week, each of one colour.
declare -A colours=([red.bmp]=FF0000 [green.bmp]=00FF00 [blue.bmp]=0000FF [yellow.bmp]=FFFF00)

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
    mkdir -p "$folder/pictures"
    for name in "${!colours[@]}"; do
        convert -size 64x48 "xc:#${colours[$name]}" "BMP3:$folder/pictures/$name"
    done
    echo "prefix ready: $prefix, display $DISPLAY"
}

startup_folder() {
    local user
    user=$(basename "$(find "$drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)")
    echo "$drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/StartUp"
}

# Where Wine keeps the Task Scheduler's tasks, one file each, named as the
# task is.
tasks_folder() { echo "$drive_c/windows/system32/tasks"; }

# Today's weekday number: 1 = Sunday .. 7 = Saturday.
weekday() { echo $(($(date +%w) + 1)); }

# No schedule, no start-up shortcut and no day-change task: the state of a
# first run.
reset_first_run() {
    rm -rf "$(unix_path 'C:\windows\Vantorel.cfg')"
    rm -f "$(startup_folder)/Today's Wallpaper.lnk" "$(startup_folder)/Papier-peint du jour.lnk"
    rm -f "$(tasks_folder)/Today's Wallpaper" "$(tasks_folder)/Papier-peint du jour"
}

# Starts the editor in the locale $1 (en_US.UTF-8 by default) in the
# background; $editor is its process.
start_editor() {
    local locale=${1:-en_US.UTF-8}
    LC_ALL=$locale LANG=$locale timeout "$step_seconds" wine "$program_folder\\Muralset.exe" \
        >"$state/muralset.log" 2>&1 </dev/null &
    editor=$!
}

# An editor a failed case leaves behind would answer the next case's
# driver.
stop_editor() {
    if [ -n "${editor:-}" ] && kill -0 "$editor" 2>/dev/null; then
        kill "$editor" 2>/dev/null || true
        wait "$editor" 2>/dev/null || true
    fi
}
trap stop_editor EXIT

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

# Drives the editor's window with window_reader: drive COMMAND TITLE ...
drive() {
    wine_step "$READER_EXE" "$@" >"$state/drive.log" 2>&1 || fail "could not $1 in '$2': ${*:3}"
}

# Waits for the message box titled $1, reads it into $state/box.txt and
# presses its button $2.
answer() {
    wine_step "$READER_EXE" box "$1" "$2" >"$state/box.txt" 2>&1 || fail "no message box '$1' answered with $2"
}

# Expects the box just answered to show line $1 ("key=value").
expect_box() {
    tr -d '\r' <"$state/box.txt" | grep -qxF "$1" ||
        fail "the box '$(sed -n 's/^title=//p' "$state/box.txt")' does not show $1"
}

# Answers the credits box the window titled $1 shows on its way out, then
# checks that the window goes and the editor ends with 0.
end_with_credits() {
    local title="Muralis (version 1.1) - Credits" thanks="A wallpaper for each day of the week."
    [ "$1" = Muralis ] && title="Muralis (version 1.1)" thanks="Un papier peint pour chaque jour de la semaine."
    answer "$title" OK
    expect_box buttons=OK
    expect_box icon=shown
    grep -q "^text=.*$thanks" "$state/box.txt" || fail "the credits box shows otherwise"
    # The box is the window's: the window takes no input while it is up.
    expect_box "owner=$1"
    expect_box owner_enabled=0
    drive gone "$1"
    local code=0
    wait "$editor" || code=$?
    [ "$code" = 0 ] || fail "Muralset ended with $code, not 0"
}

# Asks the window titled $1 to close; with nothing to save it ends with the
# credits.
close_editor() {
    drive close "$1"
    end_with_credits "$1"
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
    # A first run has no picture to accept yet.
    expect_control 'Button|&Accept|0'
    expect_control 'Button|&Save|0'
    expect_control 'Button|&Quit|1'
    expect_control 'Static|Visit:|1'
    expect_control 'Edit|https://muralis.example.org/|1'
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
    grep -qx 'items=|1|C:\\;Muralis;pictures' "$state/window.txt" || fail "the folder list shows otherwise"
    grep -qx 'items=|-1|A.BMP;b.bmp' "$state/window.txt" || fail "the file list shows otherwise"
    expect_value tab_order 'Edit,&Quit,ComboBox,ListBox,ListBox'

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
    expect_control 'Button|Accepter|0'
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
    read_shortcut_target "$2"
    [ "$target" = "$program_folder\\Muralrun.exe" ] || fail "the shortcut starts '$target'"
    close_editor "$3"
    # Nothing runs at a change of day before a week is saved.
    [ ! -e "$(tasks_folder)/$2" ] || fail "a first run without a save registered the day-change task"
}

# The target of the start-up shortcut $1.lnk, into $target.
read_shortcut_target() {
    wine_step "$READER_EXE" startup "$1" >"$state/shortcut.txt" 2>&1 || fail "no shortcut '$1.lnk'"
    target=$(sed -n 's/^target=//p' "$state/shortcut.txt" | tr -d '\r')
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

# Appends the schedule line of picture $1 (in the pictures folder) for
# weekday $2 to $state/expected.cfg.
expect_line() {
    printf '"%s\\%s%d"\r\n' "$pictures_folder" "$1" "$2" >>"$state/expected.cfg"
}

expect_schedule() {
    local file
    file=$(unix_path 'C:\windows\Vantorel.cfg')
    cmp -s "$state/expected.cfg" "$file" ||
        fail "the schedule holds $(tr '\r\n' '~|' <"$file" 2>&1), not $(tr '\r\n' '~|' <"$state/expected.cfg")"
}

# A whole week chosen by hand: the folder opened with a double-click, each
# way of accepting, saved to the exact bytes; then the applier the first run
# registered installs today's picture, and the next start of the editor
# opens on today's slot.
case_a_week_chosen_saved_installed_and_found_again() {
    reset_first_run
    local today slot picture
    today=$(weekday)
    : >"$state/expected.cfg"
    start_editor
    read_window "$english_title"
    drive double_click "$english_title" ListBox#0 pictures
    local week=(red.bmp blue.bmp green.bmp yellow.bmp red.bmp green.bmp blue.bmp)
    local ways=(button double_click return button return double_click button)
    for slot in 0 1 2 3 4 5 6; do
        picture=${week[slot]}
        # A double-click selects with its first click.
        [ "${ways[slot]}" = double_click ] || drive select "$english_title" ListBox#1 "$picture"
        case ${ways[slot]} in
            button) drive click "$english_title" '&Accept' ;;
            return) drive key "$english_title" ListBox#1 Return ;;
            double_click) drive double_click "$english_title" ListBox#1 "$picture" ;;
        esac
        expect_line "$picture" $(((today - 1 + slot) % 7 + 1))
    done
    drive click "$english_title" '&Save'
    expect_schedule
    # Saved, and registered with the Task Scheduler to run at each change of
    # day: Wine keeps the settings of the definition it was given.
    local task
    task=$(tasks_folder)/"Today's Wallpaper"
    [ -f "$task" ] || fail "the save registered no day-change task"
    grep -q '<StartWhenAvailable>true</StartWhenAvailable>' "$task" ||
        fail "the day-change task holds $(tr '\r\n' '  ' <"$task")"
    read_window "$english_title"
    expect_control 'Button|&Save|0'
    expect_control 'Button|&Quit|1'
    drive click "$english_title" '&Quit'
    end_with_credits "$english_title"

    # The next log-on.
    read_shortcut_target "Today's Wallpaper"
    local code=0
    LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 wine_step "$target" >"$state/muralrun.log" 2>&1 || code=$?
    [ "$code" = 0 ] || fail "Muralrun ended with $code, not 0"
    cmp -s "$(unix_path 'C:\windows\Vantorel.bmp')" "$(unix_path "$pictures_folder")/${week[0]}" ||
        fail "Vantorel.bmp is not today's ${week[0]}"
    wine_step reg query 'HKCU\Control Panel\Desktop' /v Wallpaper >"$state/reg.log" 2>&1 || true
    local wallpaper
    wallpaper=$(sed -n 's/.*REG_SZ[[:space:]]*//p' "$state/reg.log" | tr -d '\r')
    [ "$wallpaper" = 'C:\windows\Vantorel.bmp' ] || fail "the wallpaper setting is '$wallpaper'"

    start_editor
    read_window "$english_title"
    expect_control "Static|$(LC_ALL=C date +%A | tr '[:lower:]' '[:upper:]')|1"
    grep -qx 'items=|2|blue.bmp;green.bmp;red.bmp;yellow.bmp' "$state/window.txt" ||
        fail "today's red.bmp is not the file selected"
    screenshot muralset-windows-week.png $((200 + 48)) $((2 + 36))
    [ "$pixel" = "#${colours[${week[0]}]}" ] || fail "the preview shows $pixel, not today's ${week[0]}"
    close_editor "$english_title"
}

# Opens the pictures folder and accepts red.bmp for today.
accept_red() {
    drive double_click "$english_title" ListBox#0 pictures
    drive select "$english_title" ListBox#1 red.bmp
    drive click "$english_title" '&Accept'
}

# Closes the window with a change unsaved and answers the question with $1.
close_answering() {
    drive close "$english_title"
    answer "$question_title" "$1"
    expect_box 'text=Before QUITTING the Muralis?'
    expect_box 'buttons=&Yes,&No'
    expect_box 'default=&Yes'
    expect_box icon=shown
}

# Each way out of the editor once, one start each: nothing to save (what is
# typed in the visit box is no change), Yes, No, and a save that fails
# before one that succeeds. What the visit box shows after typing is
# checked last, so that a fault there hides none of the ways out.
case_closing_asks_about_an_unsaved_change() {
    local schedule answer_given typed
    schedule=$(unix_path 'C:\windows\Vantorel.cfg')
    # One Accept: the slots after it take its picture when saved.
    : >"$state/expected.cfg"
    for _ in 1 2 3 4 5 6 7; do expect_line red.bmp "$(weekday)"; done

    reset_first_run
    start_editor
    read_window "$english_title"
    drive type "$english_title" Edit#0 'https://example.org/'
    read_window "$english_title"
    typed=$(sed -n 's/^control=Edit|\([^|]*\)|.*/\1/p' "$state/window.txt")
    expect_control 'Button|&Save|0'
    close_editor "$english_title"
    [ ! -e "$schedule" ] || fail "a schedule was written with nothing to save"

    for answer_given in Yes No; do
        reset_first_run
        start_editor
        read_window "$english_title"
        accept_red
        close_answering "$answer_given"
        end_with_credits "$english_title"
        if [ "$answer_given" = Yes ]; then
            expect_schedule
        else
            [ ! -e "$schedule" ] || fail "answering No saved the schedule"
        fi
    done

    reset_first_run
    start_editor
    read_window "$english_title"
    # A folder in the file's place: the move that replaces it fails.
    mkdir "$schedule"
    accept_red
    drive click "$english_title" '&Save'
    answer Muralis OK
    grep -q '^text=Could not save the file: C:\\windows\\Vantorel.cfg\\r.' "$state/box.txt" ||
        fail "the failed save is reported otherwise"
    read_window "$english_title"
    expect_control 'Button|&Save|1'
    rmdir "$schedule"
    close_answering Yes
    end_with_credits "$english_title"
    expect_schedule

    [ "$typed" = https://example.org/ ] || fail "typing https://example.org/ left '$typed' in the visit box"
}

# Ends the session as a log-off does, in the background (wineboot sends
# WM_QUERYENDSESSION, then WM_ENDSESSION, to every program's windows); the
# editor's question holds it meanwhile. $session is its process.
end_session() {
    timeout "$step_seconds" wineboot --end-session >"$state/wineboot-end.log" 2>&1 </dev/null &
    session=$!
}

# Answers the question the session's end raises with $1. When it does not
# come, whether the editor and wineboot are still there says which side
# did not go on.
answer_session_question() {
    wine_step "$READER_EXE" box "$question_title" "$1" >"$state/box.txt" 2>&1 && return 0
    {
        if kill -0 "$editor" 2>/dev/null; then echo "editor: still running"; else echo "editor: ended"; fi
        if kill -0 "$session" 2>/dev/null; then echo "wineboot: still running"; else echo "wineboot: ended"; fi
    } >"$state/session-end.log"
    fail "no message box '$question_title' answered with $1"
}

# The session ended the editor without a box of its own: no credits.
expect_ended_by_the_session() {
    drive gone "$english_title"
    wait "$session" || true
    local code=0
    wait "$editor" || code=$?
    [ "$code" = 0 ] || fail "Muralset ended with $code, not 0"
}

# The end of the session asks what closing asks, and nothing more: nothing
# unsaved ends at once; Yes writes the week, No leaves the file as it was; a
# save that fails holds the session and keeps the week in the editor.
case_the_end_of_the_session_asks_about_an_unsaved_change() {
    local schedule answer_given
    schedule=$(unix_path 'C:\windows\Vantorel.cfg')
    : >"$state/expected.cfg"
    for _ in 1 2 3 4 5 6 7; do expect_line red.bmp "$(weekday)"; done

    reset_first_run
    start_editor
    read_window "$english_title"
    end_session
    expect_ended_by_the_session
    [ ! -e "$schedule" ] || fail "a schedule was written with nothing to save"

    for answer_given in Yes No; do
        reset_first_run
        # No keeps a week saved before as it was, to the byte.
        [ "$answer_given" = No ] && for slot in 1 2 3 4 5 6 7; do
            printf '"%s\\b.bmp%s"\r\n' "$program_folder" "$slot"
        done >"$schedule" && cp "$schedule" "$state/before.cfg"
        start_editor
        read_window "$english_title"
        accept_red
        end_session
        answer_session_question "$answer_given"
        expect_box 'text=Before QUITTING the Muralis?'
        expect_box 'buttons=&Yes,&No'
        expect_ended_by_the_session
        if [ "$answer_given" = Yes ]; then
            expect_schedule
        else
            cmp -s "$state/before.cfg" "$schedule" || fail "answering No changed the saved week"
        fi
    done

    reset_first_run
    start_editor
    read_window "$english_title"
    mkdir "$schedule"
    accept_red
    end_session
    answer_session_question Yes
    answer Muralis OK
    grep -q '^text=Could not save the file: ' "$state/box.txt" || fail "the failed save is reported otherwise"
    wait "$session" || true
    read_window "$english_title"
    expect_control 'Button|&Save|1'
    rmdir "$schedule"
    close_answering Yes
    end_with_credits "$english_title"
    expect_schedule
}

# A whole week with the keyboard alone: Tab from the visit box past the
# buttons not usable yet to the folder list, the pictures folder opened with
# Return, each picture reached with the arrow keys and accepted with Return,
# then the access keys: Alt+S saves and Alt+Q quits.
case_a_week_by_keyboard_alone() {
    reset_first_run
    local slot row today names=(blue.bmp green.bmp red.bmp yellow.bmp) rows=(2 0 1 3 0 2 1) keys
    today=$(weekday)
    : >"$state/expected.cfg"
    start_editor
    read_window "$english_title"
    drive keys "$english_title" Tab Tab Tab End Return Tab
    for slot in 0 1 2 3 4 5 6; do
        row=${rows[slot]}
        # A list without a selection (Accept clears it) selects the entry at
        # its caret at the first key, whichever it is: the second goes home.
        keys=(Home Home)
        for ((i = 0; i < row; i++)); do keys+=(Down); done
        drive keys "$english_title" "${keys[@]}" Return
        expect_line "${names[row]}" $(((today - 1 + slot) % 7 + 1))
    done
    drive keys "$english_title" Alt+s
    expect_schedule
    drive keys "$english_title" Alt+q
    end_with_credits "$english_title"
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
    trap 'stop_editor; restore_dpi' EXIT
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
