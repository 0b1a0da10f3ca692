#!/usr/bin/env bash
# Muralrun.exe end to end under Wine, one case per call, registered by CTest:
#
#   end_to_end.sh setup | cleanup | <case>
#
# "setup" makes a fresh Wine prefix and starts a private X server (Xvfb) for
# the message boxes; the cases share both; "cleanup" stops them and removes
# the prefix. The environment names the programs and the state folder:
# MURALRUN_EXE, STAND_IN_EXE (stands in for Muralset.exe), READER_EXE (prints
# what a message box shows) and E2E_STATE.
#
# Every Wine command writes into a file: Wine's helper processes keep
# inherited pipes open for seconds after a program ends.
set -euo pipefail

state=${E2E_STATE:?E2E_STATE names the state folder}
# shellcheck source=wine_session.sh
source "$(dirname "$0")/wine_session.sh"
pictures_folder='C:\Muralis pictures'
step_seconds=120 # the most one Wine program may take, cold start included

# Today's weekday number: 1 = Sunday .. 7 = Saturday.
weekday() { echo $(($(date +%w) + 1)); }

setup() {
    start_session

    # Seven small pictures of distinct colours, one per weekday.
    local folder colours=(ff0000 00ff00 0000ff ffff00 00ffff ff00ff 808080)
    folder=$(unix_path "$pictures_folder")
    mkdir -p "$folder"
    for day in 1 2 3 4 5 6 7; do
        convert -size 64x48 "xc:#${colours[day - 1]}" "BMP3:$folder/day$day.bmp" ||
            fail "ImageMagick could not make a picture"
    done

    # The applier beside the editor's stand-in, as installed; once in a
    # folder whose path has spaces; once without any editor.
    for program_folder in 'C:\Muralis' 'C:\Program Files\Muralis Test' 'C:\Muralis alone'; do
        folder=$(unix_path "$program_folder")
        mkdir -p "$folder"
        cp "${MURALRUN_EXE:?}" "$folder/Muralrun.exe"
    done
    cp "${STAND_IN_EXE:?}" "$(unix_path 'C:\Muralis')/Muralset.exe"
    cp "$STAND_IN_EXE" "$(unix_path 'C:\Program Files\Muralis Test')/Muralset.exe"
    echo "prefix ready: $prefix, display $DISPLAY"
}

# Writes the schedule file: one CR LF line per slot, slot i naming the
# picture and weekday that "entry i" prints.
write_schedule() {
    local entry=$1 file
    file=$(unix_path 'C:\windows\Vantorel.cfg')
    : >"$file"
    for slot in 1 2 3 4 5 6 7; do
        printf '"%s"\r\n' "$($entry "$slot")" >>"$file"
    done
}

# Slot i holds the picture of weekday (i + 2) mod 7 + 1: a reader that took
# the slot number for the weekday would install the wrong picture.
rotated_entry() {
    local day=$((($1 + 2) % 7 + 1))
    echo "$pictures_folder\\day$day.bmp$day"
}

deleted_picture_entry() { echo "$pictures_folder\\gone.bmp$1"; }

# Reads the user's wallpaper setting into $wallpaper.
read_wallpaper_setting() {
    timeout "$step_seconds" wine reg query 'HKCU\Control Panel\Desktop' /v Wallpaper \
        >"$state/reg.log" 2>&1 </dev/null || true
    wallpaper=$(sed -n 's/.*REG_SZ[[:space:]]*//p' "$state/reg.log" | tr -d '\r')
}

clear_wallpaper_setting() {
    timeout "$step_seconds" wine reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /t REG_SZ \
        /d '' /f >"$state/reg.log" 2>&1 </dev/null || fail "cannot reset the wallpaper setting"
}

# Runs the applier at the Windows path $1 in the locale $2 (default
# English) and waits for it; sets $code to its exit code.
run_applier() {
    code=0
    LC_ALL=${2:-en_US.UTF-8} LANG=${2:-en_US.UTF-8} timeout "$step_seconds" wine "$1" \
        >"$state/muralrun.log" 2>&1 </dev/null || code=$?
}

editor_record() { echo "$(unix_path "$1")/Muralset-started.txt"; }

# Waits for the editor's stand-in in the Windows folder $1 to have started
# and checks how: the quoted path, a normal window, the applier's folder.
expect_editor_started() {
    local record
    record=$(editor_record "$1")
    for _ in $(seq 300); do
        [ -s "$record" ] && break
        sleep 0.1
    done
    [ -s "$record" ] || fail "the editor was not started from $1"
    local expected
    expected=$(printf 'command_line="%s\\Muralset.exe"\nshow_window=1\ncurrent_folder=%s' "$1" "$1")
    [ "$(cat "$record")" = "$expected" ] ||
        fail "the editor was started otherwise: $(cat "$record") instead of $expected"
}

case_installs_todays_picture() {
    write_schedule rotated_entry
    rm -f "$(unix_path 'C:\windows\Vantorel.bmp')" "$(editor_record 'C:\Muralis')"
    clear_wallpaper_setting
    local before after
    before=$(weekday)
    run_applier 'C:\Muralis\Muralrun.exe'
    after=$(weekday)
    [ "$code" = 0 ] || fail "Muralrun ended with $code, not 0"

    local daily picture
    daily=$(unix_path 'C:\windows\Vantorel.bmp')
    [ -f "$daily" ] || fail "no daily bitmap C:\\windows\\Vantorel.bmp"
    # A run across midnight may install either day's picture.
    if ! cmp -s "$daily" "$(unix_path "$pictures_folder")/day$before.bmp" &&
       ! cmp -s "$daily" "$(unix_path "$pictures_folder")/day$after.bmp"; then
        for day in 1 2 3 4 5 6 7; do
            cmp -s "$daily" "$(unix_path "$pictures_folder")/day$day.bmp" && picture=$day
        done
        fail "Vantorel.bmp is the picture of weekday ${picture:-none}, not $before"
    fi
    read_wallpaper_setting
    [ "$wallpaper" = 'C:\windows\Vantorel.bmp' ] || fail "the wallpaper setting is '$wallpaper'"
    [ ! -e "$(editor_record 'C:\Muralis')" ] || fail "the editor was started"
}

# A missing schedule starts the editor at once and shows nothing: a
# message box would keep the applier from ending.
missing_schedule_case() {
    rm -f "$(unix_path 'C:\windows\Vantorel.cfg')" "$(editor_record "$1")"
    run_applier "$1\\Muralrun.exe"
    [ "$code" = 0 ] || fail "Muralrun ended with $code, not 0"
    expect_editor_started "$1"
}

case_missing_schedule_starts_the_editor() {
    missing_schedule_case 'C:\Muralis'
}

case_missing_schedule_starts_the_editor_from_a_folder_with_spaces() {
    missing_schedule_case 'C:\Program Files\Muralis Test'
}

# Runs the applier in the background, finds its message box on the private
# display, checks what it shows and that the editor has not started yet,
# answers it with the Return key and checks the exit code.
#   $1 applier folder, $2 locale, $3 title, $4 text ("\r" for the CR),
#   $5 expected exit code
message_case() {
    local folder=$1 locale=$2 title=$3 text=$4 expected_code=$5
    rm -f "$(editor_record "$folder")"
    clear_wallpaper_setting
    LC_ALL=$locale LANG=$locale timeout "$step_seconds" wine "$folder\\Muralrun.exe" \
        >"$state/muralrun.log" 2>&1 </dev/null &
    local applier=$! window=""
    for _ in $(seq 600); do
        window=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1 || true)
        [ -n "$window" ] && break
        kill -0 "$applier" 2>/dev/null || fail "Muralrun ended without a message box"
        sleep 0.1
    done
    [ -n "$window" ] || { kill "$applier"; fail "no window titled '$title'"; }

    timeout "$step_seconds" wine "${READER_EXE:?}" "$title" 30 >"$state/box.txt" 2>"$state/reader.log" </dev/null ||
        { kill "$applier"; fail "the message box could not be read"; }
    local expected
    expected=$(printf 'title=%s\ntext=%s\nbuttons=OK\nicon=none' "$title" "$text")
    if [ "$(cat "$state/box.txt")" != "$expected" ]; then
        kill "$applier"
        fail "the message box shows $(cat "$state/box.txt") instead of $expected"
    fi
    [ ! -e "$(editor_record "$folder")" ] || { kill "$applier"; fail "the editor started before the message was answered"; }

    # Without a window manager the box takes the keyboard focus only when
    # asked, and a moment later: a key pressed too early is lost, so it is
    # pressed again while the applier runs on. Wine takes about two seconds
    # to end a process that had a window, and keeps the window until then.
    for _ in $(seq 20); do
        xdotool windowfocus "$window" >/dev/null 2>&1 || true
        sleep 0.3
        xdotool key Return >/dev/null 2>&1 || true
        for _ in $(seq 40); do
            kill -0 "$applier" 2>/dev/null || break 2
            sleep 0.1
        done
    done
    local code=0
    wait "$applier" || code=$?
    [ "$code" = "$expected_code" ] || fail "Muralrun ended with $code, not $expected_code"
    read_wallpaper_setting
    [ -z "$wallpaper" ] || fail "a wallpaper was installed after the failure: $wallpaper"
}

case_deleted_picture_shows_the_message_then_starts_the_editor() {
    write_schedule deleted_picture_entry
    message_case 'C:\Muralis' en_US.UTF-8 'The Muralis' \
        'Sorry, the file: C:\Muralis pictures\gone.bmp, can not be found.\rExecute your setup again' 1
    expect_editor_started 'C:\Muralis'
}

case_deleted_picture_shows_the_french_message() {
    write_schedule deleted_picture_entry
    message_case 'C:\Program Files\Muralis Test' fr_FR.UTF-8 'Le Muralis' \
        'Désolé, le fichier: C:\Muralis pictures\gone.bmp, ne peut être trouvé.\rReconfigurez vos images .BMP.' 1
    expect_editor_started 'C:\Program Files\Muralis Test'
}

# Without the editor the applier reports the missing schedule, then cannot
# start the editor after the message either: it gives up with code 2.
case_no_editor_beside_the_applier_ends_with_code_2() {
    rm -f "$(unix_path 'C:\windows\Vantorel.cfg')"
    message_case 'C:\Muralis alone' en_US.UTF-8 'The Muralis' \
        'Sorry, the file: C:\windows\Vantorel.cfg, can not be found.\rExecute your setup again' 2
}

run_step "$@"
