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

# Writes the schedule file (by default C:\windows\Vantorel.cfg, else the
# Windows path $2): one CR LF line per slot, slot i naming the picture and
# weekday that "entry i" prints.
write_schedule() {
    local entry=$1 file
    file=$(unix_path "${2:-C:\windows\Vantorel.cfg}")
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

# Every slot names the picture $picture for its weekday: whatever the day,
# that picture is today's.
every_day_entry() { echo "$pictures_folder\\$picture$1"; }

# Puts a copy of $1 at $2 as a new file, never writing over $2 in place:
# Wine's desktop reads the wallpaper through a mapping for a moment after
# each change of it, and a file cut short under that mapping crashes the
# reading and leaves the file mapped for good.
replace_file() { cp "$1" "$2.new" && mv -f "$2.new" "$2"; }

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
# English) with the arguments after them, and waits for it; sets $code to
# its exit code.
run_applier() {
    code=0
    local program=$1 locale=${2:-en_US.UTF-8}
    shift $(($# < 2 ? $# : 2))
    LC_ALL=$locale LANG=$locale timeout "$step_seconds" wine "$program" "$@" \
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

# A JPEG or a PNG becomes a daily bitmap of 24 bits, rows bottom up, with
# the picture's pixels as shown (turned as the EXIF orientation says,
# transparency on black), and is installed as any bitmap is.
case_installs_a_jpeg_and_a_png_as_a_24_bit_daily_bitmap() {
    local folder daily
    folder=$(unix_path "$pictures_folder")
    daily=$(unix_path 'C:\windows\Vantorel.bmp')
    # picture, width, height, the colour at the middle of the left (or, turned, top) half, tolerance
    local rows=("rgb-16x8.jpg 16 8 ff0000 8" "exif-right-top-16x8.jpg 8 16 ff0000 8" "palette-16x8.png 16 8 ff0000 0"
                "white-half-transparent-16x8.png 16 8 808080 1")
    for row in "${rows[@]}"; do
        read -r picture width height colour tolerance <<<"$row"
        echo "today's picture: $picture"
        cp "${PICTURE_SEEDS:?}/$picture" "$folder/$picture"
        write_schedule every_day_entry
        clear_wallpaper_setting
        run_applier 'C:\Muralis\Muralrun.exe'
        [ "$code" = 0 ] || fail "Muralrun ended with $code on $picture"
        python3 - "$daily" "$width" "$height" "$colour" "$tolerance" <<'PY' || fail "the daily bitmap of $picture is not as shown above"
import struct, sys
path, width, height, colour, tolerance = sys.argv[1], *map(int, sys.argv[2:4]), sys.argv[4], int(sys.argv[5])
data = open(path, "rb").read()
offset, = struct.unpack_from("<I", data, 10)
w, h, planes, bits, compression = struct.unpack_from("<iiHHI", data, 18)
row = (w * 3 + 3) // 4 * 4
assert data[:2] == b"BM" and offset == 54 and (w, h) == (width, height) and bits == 24 and compression == 0, (w, h, bits)
assert len(data) == 54 + row * h, len(data)
x, y = (w // 2, h // 4) if h > w else (w // 4, h // 2)
b, g, r = data[54 + row * (h - 1 - y) + 3 * x:][:3]
want = bytes.fromhex(colour)
assert all(abs(a - c) <= tolerance for a, c in zip((r, g, b), want)), (r, g, b)
PY
        read_wallpaper_setting
        [ "$wallpaper" = 'C:\windows\Vantorel.bmp' ] || fail "the wallpaper setting is '$wallpaper'"
    done
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

# Today's picture is no bitmap LoadImage reads: the message names it, the
# editor starts once it is answered, and neither the daily bitmap nor the
# wallpaper setting changes.
case_an_unreadable_picture_shows_the_message_and_changes_nothing() {
    local folder daily
    folder=$(unix_path "$pictures_folder")
    daily=$(unix_path 'C:\windows\Vantorel.bmp')
    { head -c 4096 /dev/zero | tr '\0' '\245'; echo 'not a picture'; } >"$folder/garbage.bmp"
    head -c 1000 "$folder/day1.bmp" >"$folder/cut short.bmp"
    # JPEG and PNG: bytes of one format under another's name, a file cut
    # short, headers declaring more than 16384 pixels a side.
    cp "${PICTURE_SEEDS:?}/rgb-16x8.png" "$folder/png.bmp"
    head -c 150 "$PICTURE_SEEDS/rgb-16x8.jpg" >"$folder/cut.jpg"
    cp "$PICTURE_SEEDS/claims-100000x100000.png" "$PICTURE_SEEDS/claims-16385-wide.jpg" "$folder/"
    for picture in garbage.bmp 'cut short.bmp' png.bmp cut.jpg claims-100000x100000.png claims-16385-wide.jpg; do
        echo "today's picture: $picture"
        write_schedule every_day_entry
        replace_file "$folder/day2.bmp" "$daily"
        message_case 'C:\Muralis' en_US.UTF-8 'The Muralis' \
            "Sorry, the file: $pictures_folder\\$picture, can not be found.\\rExecute your setup again" 1
        expect_editor_started 'C:\Muralis'
        cmp -s "$daily" "$folder/day2.bmp" || fail "the daily bitmap changed after $picture"
    done
}

# The week is the newest of the schedules: an older one in C:\windows names
# picture A for every day, a newer one in %LOCALAPPDATA%\Muralis picture B;
# B is installed, its daily bitmap beside the newer schedule.
case_the_newest_schedule_is_the_week() {
    timeout "$step_seconds" wine cmd /c 'echo %LOCALAPPDATA%' >"$state/cmd.log" 2>&1 </dev/null ||
        fail "cannot ask Wine for %LOCALAPPDATA%"
    local user_folder user_schedule
    user_folder="$(tr -d '\r' <"$state/cmd.log" | tail -n 1)\\Muralis"
    user_schedule=$(unix_path "$user_folder\\Vantorel.cfg")
    mkdir -p "$(dirname "$user_schedule")"
    # The later cases expect no schedule there.
    trap "rm -rf '$(dirname "$user_schedule")'" EXIT

    picture=day1.bmp write_schedule every_day_entry
    touch -d '1 hour ago' "$(unix_path 'C:\windows\Vantorel.cfg')"
    picture=day2.bmp write_schedule every_day_entry "$user_folder\\Vantorel.cfg"
    rm -f "$(unix_path 'C:\windows\Vantorel.bmp')" "$(editor_record 'C:\Muralis')"
    clear_wallpaper_setting
    run_applier 'C:\Muralis\Muralrun.exe'
    [ "$code" = 0 ] || fail "Muralrun ended with $code, not 0"
    cmp -s "$(unix_path "$user_folder\\Vantorel.bmp")" "$(unix_path "$pictures_folder")/day2.bmp" ||
        fail "the daily bitmap beside the newer schedule is not picture B"
    [ ! -e "$(unix_path 'C:\windows\Vantorel.bmp')" ] || fail "a daily bitmap was written into C:\\windows"
    read_wallpaper_setting
    [ "$wallpaper" = "$user_folder\\Vantorel.bmp" ] || fail "the wallpaper setting is '$wallpaper'"
}

# The task's run (--day-change, at midnight and at each unlock) on the day
# of a log-on run changes no file and makes no wallpaper call, so the
# setting cleared since stays cleared; with yesterday's record it installs.
# Other arguments are refused.
case_a_day_change_run_installs_once_a_day() {
    local daily record before
    daily=$(unix_path 'C:\windows\Vantorel.bmp') record=$(unix_path 'C:\windows\Vantorel.dat')
    write_schedule rotated_entry
    run_applier 'C:\Muralis\Muralrun.exe'
    [ "$code" = 0 ] || fail "the log-on run ended with $code"
    before=$(stat -c '%i %y' "$daily")
    clear_wallpaper_setting
    run_applier 'C:\Muralis\Muralrun.exe' en_US.UTF-8 --day-change
    [ "$code" = 0 ] || fail "the same day's run ended with $code"
    [ "$(stat -c '%i %y' "$daily")" = "$before" ] || fail "the same day's run replaced the daily bitmap"
    read_wallpaper_setting
    [ -z "$wallpaper" ] || fail "the same day's run installed the wallpaper: $wallpaper"

    sed -i 's/^installed [0-9]\{8\}/installed 20000101/' "$record"
    run_applier 'C:\Muralis\Muralrun.exe' en_US.UTF-8 --day-change
    read_wallpaper_setting
    [ "$code:$wallpaper" = '0:C:\windows\Vantorel.bmp' ] || fail "the next day's run ended with $code, '$wallpaper'"

    run_applier 'C:\Muralis\Muralrun.exe' en_US.UTF-8 --day-chnage
    [ "$code" = 2 ] || fail "an unknown argument ended with $code, not 2"
}

# A failure reported at log-on is not reported again that day by the
# task's run: no message box (it would hold the run until the time-out),
# no editor.
case_a_failure_is_reported_once_a_day() {
    write_schedule deleted_picture_entry
    message_case 'C:\Muralis' en_US.UTF-8 'The Muralis' \
        'Sorry, the file: C:\Muralis pictures\gone.bmp, can not be found.\rExecute your setup again' 1
    expect_editor_started 'C:\Muralis'
    rm -f "$(editor_record 'C:\Muralis')"
    step_seconds=30 run_applier 'C:\Muralis\Muralrun.exe' en_US.UTF-8 --day-change
    sleep 2
    [ "$code" = 1 ] && [ ! -e "$(editor_record 'C:\Muralis')" ] || fail "the day-change run ended with $code, or the editor started"
}

# Sets $now to the milliseconds since the epoch, without starting a process.
now_ms() {
    local micro=${EPOCHREALTIME/[.,]/}
    now=$((10#$micro / 1000))
}

# Whether the daily bitmap's temporary file stands in C:\windows; a glob,
# not a process, so that a loop polling it is quick.
temporary_bitmap_exists() {
    local found
    found=("$drive_c"/windows/Vantorel.bmp.*.tmp)
    [ -e "${found[0]}" ]
}

# Muralrun.exe killed (kill -9 of its Wine process) at random moments while
# it copies a 4K bitmap, four in five a random delay after its temporary
# file appeared, the others a random delay after its start: the daily
# bitmap is the old one or the new one, byte for byte, and the next normal
# run leaves no temporary file.
case_killed_at_random_moments_keeps_the_old_daily_bitmap_or_the_new() {
    local folder daily old new
    folder=$(unix_path "$pictures_folder")
    daily=$(unix_path 'C:\windows\Vantorel.bmp')
    old=$state/old-4k.bmp new=$folder/4k.bmp
    convert -size 3840x2160 gradient:'#ff2040-#2080ff' -type TrueColor "BMP3:$new" &&
        convert -size 3840x2160 gradient:'#20c040-#804020' -type TrueColor "BMP3:$old" ||
        fail "ImageMagick could not make the 4K pictures"
    [ "$(stat -c %s "$new")" -eq $((54 + 3840 * 2160 * 3)) ] || fail "$new is not a 24-bit 4K bitmap"
    picture=4k.bmp write_schedule every_day_entry

    # Wine refuses to replace a file that a process holds open or mapped,
    # and its desktop reads the wallpaper for a moment after each change:
    # every run waits for the desktop to be done with it, as at a log-on.
    put_back_old() {
        replace_file "$old" "$daily"
        for _ in $(seq 500); do
            ! find /proc/[0-9]*/fd -lname "$daily" 2>/dev/null | grep -q . &&
                ! grep -qsF "$daily" /proc/[0-9]*/maps && return 0
            sleep 0.01
        done
        fail "the daily bitmap stays in use"
    }

    # Normal runs, polled, tell how long the copy takes and when it ends;
    # a busy machine may hide a copy from the polling now and then. The
    # first run, which may start Wine's services, is not timed.
    put_back_old
    run_applier 'C:\Muralis\Muralrun.exe'
    [ "$code" = 0 ] || fail "a normal run of Muralrun ended with $code"
    local now start created renamed applier samples=0 copy_ms=0 renamed_ms=0
    for _ in 1 2 3 4 5 6; do
        [ "$samples" -lt 3 ] || break
        put_back_old
        now_ms && start=$now created='' renamed=''
        wine 'C:\Muralis\Muralrun.exe' >"$state/muralrun.log" 2>&1 </dev/null &
        applier=$!
        while kill -0 "$applier" 2>/dev/null; do
            if temporary_bitmap_exists; then
                [ -n "$created" ] || { now_ms && created=$now; }
            elif [ -n "$created" ] && [ -z "$renamed" ]; then
                now_ms && renamed=$now
            fi
        done
        wait "$applier" || fail "a normal run of Muralrun failed"
        cmp -s "$daily" "$new" || fail "a normal run did not copy the 4K picture"
        [ -n "$renamed" ] || continue
        samples=$((samples + 1))
        copy_ms=$((copy_ms + renamed - created)) renamed_ms=$((renamed_ms + renamed - start))
    done
    [ "$samples" -gt 0 ] || fail "no normal run's temporary file was seen"
    copy_ms=$((copy_ms / samples + 1)) renamed_ms=$((renamed_ms / samples))
    echo "a normal run renames its copy of about $copy_ms ms after $renamed_ms ms"

    # The delays are waited by read's time-out on a FIFO no one writes:
    # starting sleep would take longer than the copy on a busy machine.
    local never pause
    rm -f "$state/never" && mkfifo "$state/never" && exec {never}<>"$state/never"
    local kills=0 before=0 during=0 after=0 finished=0 delay from_creation code
    for attempt in $(seq 150); do
        [ "$kills" -lt 50 ] || break
        put_back_old
        from_creation=$((attempt % 5 != 0))
        if [ "$from_creation" = 1 ]; then
            delay=$((RANDOM % (copy_ms * 12 / 10 + 1)))
        else
            delay=$((RANDOM % (renamed_ms * 11 / 10 + 1)))
        fi
        wine 'C:\Muralis\Muralrun.exe' >"$state/muralrun.log" 2>&1 </dev/null &
        applier=$!
        if [ "$from_creation" = 1 ]; then
            now_ms && start=$now
            while kill -0 "$applier" 2>/dev/null && ! temporary_bitmap_exists; do
                now_ms
                [ $((now - start)) -lt 20000 ] || { kill -9 "$applier"; fail "Muralrun made no temporary file"; }
            done
        fi
        printf -v pause '%d.%03d' $((delay / 1000)) $((delay % 1000))
        read -r -t "$pause" -u "$never" || true
        kill -9 "$applier" 2>/dev/null || true
        code=0
        wait "$applier" 2>/dev/null || code=$?
        if [ "$code" != 137 ]; then
            [ "$code" = 0 ] || fail "Muralrun ended with $code"
            finished=$((finished + 1))
            continue
        fi
        kills=$((kills + 1))
        if cmp -s "$daily" "$new"; then
            after=$((after + 1))
        elif cmp -s "$daily" "$old"; then
            if temporary_bitmap_exists; then during=$((during + 1)); else before=$((before + 1)); fi
        else
            fail "the daily bitmap is torn by a kill $delay ms after the $( ((from_creation)) && echo "copy's start" || echo start)"
        fi
    done
    echo "$kills kills: $before before the copy, $during during it, $after after the rename; $finished runs ended first"
    [ "$kills" -ge 50 ] || fail "only $kills kills"
    [ "$during" -ge 5 ] || fail "only $during kills fell inside the copy"

    put_back_old
    run_applier 'C:\Muralis\Muralrun.exe' en_US.UTF-8 --day-change
    [ "$code" = 0 ] || fail "the run after the kills ended with $code"
    cmp -s "$daily" "$new" || fail "the run after the kills did not copy the picture"
    ! temporary_bitmap_exists || fail "temporary files left after a normal run: $(ls "$drive_c/windows")"

    # Two runs at once, as a log-on at midnight meets the task's run: the
    # daily bitmap is whole, the setting names it, no temporary file stays.
    local first second
    for round in 1 2 3 4 5; do
        put_back_old
        clear_wallpaper_setting
        wine 'C:\Muralis\Muralrun.exe' >"$state/muralrun.log" 2>&1 </dev/null &
        first=$!
        wine 'C:\Muralis\Muralrun.exe' --day-change >"$state/muralrun-2.log" 2>&1 </dev/null &
        second=$!
        wait "$first" && wait "$second" || fail "one of two runs at once failed (round $round)"
        cmp -s "$daily" "$new" || fail "two runs at once left another daily bitmap (round $round)"
        read_wallpaper_setting
        [ "$wallpaper" = 'C:\windows\Vantorel.bmp' ] || fail "two runs at once left the setting '$wallpaper'"
        ! compgen -G "$drive_c/windows/Vantorel.*.tmp" >/dev/null || fail "two runs at once left $(ls "$drive_c/windows")"
    done
}

# Without the editor the applier reports the missing schedule, then cannot
# start the editor after the message either: it gives up with code 2.
case_no_editor_beside_the_applier_ends_with_code_2() {
    rm -f "$(unix_path 'C:\windows\Vantorel.cfg')"
    message_case 'C:\Muralis alone' en_US.UTF-8 'The Muralis' \
        'Sorry, the file: C:\windows\Vantorel.cfg, can not be found.\rExecute your setup again' 2
}

run_step "$@"
