#!/usr/bin/env bash
# The Windows installer end to end under Wine, registered by CTest:
#
#   installer_end_to_end.sh setup | cleanup | <case>
#
# "setup" makes a fresh Wine prefix and starts a private X server for the
# editor's window; "cleanup" stops them and removes the prefix. The
# environment names INSTALLER_EXE (Muralis-VERSION-setup.exe), READER_EXE
# (window_reader.exe), MURALIS_VERSION, MURALIS_HOMEPAGE and E2E_STATE (the
# state folder).
#
# Every Wine command writes into a file: Wine's helper processes keep
# inherited pipes open for seconds after a program ends.
set -euo pipefail

state=${E2E_STATE:?E2E_STATE names the state folder}
# shellcheck source=wine_session.sh
source "$(dirname "$0")/wine_session.sh"
step_seconds=120 # the most one Wine program may take, cold start included
english_title="Orlimo's Muralis"
credits_title="Muralis (version ${MURALIS_VERSION%.*}) - Credits"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Muralis'

wine_step() {
    timeout "$step_seconds" wine "$@" </dev/null
}

setup() {
    start_session
    cp "${INSTALLER_EXE:?}" "$(unix_path 'C:\Muralis-setup.exe')"
    echo "prefix ready: $prefix, display $DISPLAY"
}

windows_user() {
    basename "$(find "$drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)"
}

# The value $1 of the list of installed programs' entry, read into
# $state/uninstall.txt by read_uninstall_entry.
entry_value() {
    sed -n "s/^ *$1 *REG_[A-Z_]* *//p" "$state/uninstall.txt" | tr -d '\r'
}

expect_entry() {
    [ "$(entry_value "$1")" = "$2" ] || fail "the installed programs' entry has $1 '$(entry_value "$1")', not '$2'"
}

# A silent install, the editor's first run from where the installer put it,
# a silent uninstall that leaves the user's week.
case_install_first_run_and_uninstall() {
    local user folder start_menu startup
    user=$(windows_user)
    folder="C:\\users\\$user\\AppData\\Local\\Programs\\Muralis"
    start_menu="$drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
    startup="$start_menu/StartUp"

    # No administrator asked for: the installer runs as whoever starts it.
    wine_step "${READER_EXE:?}" resources 'C:\Muralis-setup.exe' >"$state/resources.txt" 2>&1 ||
        fail "cannot read the installer's resources"
    grep -qx 'manifest_as_invoker=yes' <(tr -d '\r' <"$state/resources.txt") ||
        fail "the installer asks for more than the user's rights"

    wine_step 'C:\Muralis-setup.exe' /S >"$state/install.log" 2>&1 || fail "the silent install failed"
    local program
    for program in Muralset.exe Muralrun.exe Uninstall.exe; do
        [ -f "$(unix_path "$folder\\$program")" ] || fail "no $program in $folder"
    done
    [ -f "$start_menu/Muralis.lnk" ] || fail "no Muralis in the Start menu"
    grep -qaF "$folder\\Muralset.exe" "$start_menu/Muralis.lnk" || fail "the Start menu entry starts another program"

    wine_step reg query "$uninstall_key" >"$state/uninstall.txt" 2>&1 ||
        fail "no entry in the list of installed programs"
    expect_entry DisplayName Muralis
    expect_entry DisplayVersion "${MURALIS_VERSION:?}"
    expect_entry Publisher 'The Muralis team'
    expect_entry DisplayIcon "$folder\\Muralset.exe,0"
    expect_entry InstallLocation "$folder"
    expect_entry UninstallString "\"$folder\\Uninstall.exe\""
    expect_entry QuietUninstallString "\"$folder\\Uninstall.exe\" /S"
    expect_entry URLInfoAbout "${MURALIS_HOMEPAGE:?}"
    expect_entry HelpLink "$MURALIS_HOMEPAGE"
    expect_entry NoModify 0x1
    expect_entry NoRepair 0x1

    # No schedule yet: the editor's first run registers the Muralrun beside
    # it at log-on.
    LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 timeout "$step_seconds" wine "$folder\\Muralset.exe" \
        >"$state/muralset.log" 2>&1 </dev/null &
    local editor=$!
    wine_step "$READER_EXE" window "$english_title" 90 >"$state/window.txt" 2>&1 ||
        fail "the installed editor showed no window titled '$english_title'"
    wine_step "$READER_EXE" startup "Today's Wallpaper" >"$state/shortcut.txt" 2>&1 ||
        fail "the first run made no start-up shortcut"
    local target
    target=$(sed -n 's/^target=//p' "$state/shortcut.txt" | tr -d '\r')
    [ "$target" = "$folder\\Muralrun.exe" ] || fail "the start-up shortcut starts '$target'"
    # Closing with nothing to save shows the credits, then ends.
    wine_step "$READER_EXE" close "$english_title" >"$state/close.log" 2>&1 || fail "cannot close the editor"
    wine_step "$READER_EXE" close "$credits_title" >>"$state/close.log" 2>&1 ||
        fail "no credits box titled '$credits_title'"
    local code=0
    wait "$editor" || code=$?
    [ "$code" = 0 ] || fail "the installed editor ended with $code, not 0"
    # Only a save registers the day-change task.
    local tasks=$drive_c/windows/system32/tasks
    [ ! -e "$tasks/Today's Wallpaper" ] || fail "a first run without a save registered the day-change task"

    # The user's week in both folders the programs may keep it in, the
    # shortcut under its French name too, and a start-up entry of another
    # program: the uninstaller leaves all but the editor's shortcuts and
    # tasks.
    local schedule data_schedule
    schedule=$(unix_path 'C:\windows\Vantorel.cfg')
    data_schedule="$drive_c/users/$user/AppData/Local/Muralis/Vantorel.cfg"
    mkdir -p "$(dirname "$data_schedule")"
    printf '"C:\\pictures\\monday.bmp2"\r\n' | tee "$schedule" >"$data_schedule"
    cp "$startup/Today's Wallpaper.lnk" "$startup/Papier-peint du jour.lnk"
    cp "$startup/Today's Wallpaper.lnk" "$startup/Another program.lnk"
    # The day-change task under both names, as saves in each language leave
    # it (Wine stores neither a task's triggers nor its action, so any
    # definition stands in), and a task of another program.
    local task
    printf '<?xml version="1.0"?>\n<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">%s</Task>\n' \
        '<Actions><Exec><Command>C:\another.exe</Command></Exec></Actions>' >"$(unix_path 'C:\task.xml')"
    for task in "Today's Wallpaper" 'Papier-peint du jour' 'Another program'; do
        wine_step schtasks /create /tn "$task" /xml 'C:\task.xml' >"$state/schtasks.log" 2>&1 ||
            fail "cannot register the task '$task'"
        [ -f "$tasks/$task" ] || fail "Wine kept no file for the task '$task'"
    done

    # As the list of installed programs runs it. The uninstaller runs from
    # a copy of itself and returns at once: its end is waited for.
    wine_step "$folder\\Uninstall.exe" /S >"$state/uninstall.log" 2>&1 || fail "the silent uninstall failed"
    local install_folder
    install_folder=$(unix_path "$folder")
    for _ in $(seq 600); do
        [ -e "$install_folder" ] || break
        sleep 0.1
    done
    [ ! -e "$install_folder" ] ||
        fail "the uninstall left $(find "$install_folder" -mindepth 1 -printf '%f ')in $folder"
    # The folder goes before the shortcuts and the registry entry: the
    # uninstaller's end is the end of every program of the prefix.
    timeout 60 wineserver -w </dev/null >/dev/null 2>&1 || fail "the uninstaller did not end"
    [ ! -e "$start_menu/Muralis.lnk" ] || fail "the uninstall left the Start menu entry"
    [ ! -e "$startup/Today's Wallpaper.lnk" ] || fail "the uninstall left the start-up shortcut"
    [ ! -e "$startup/Papier-peint du jour.lnk" ] || fail "the uninstall left the French start-up shortcut"
    [ -e "$startup/Another program.lnk" ] || fail "the uninstall removed another program's start-up entry"
    [ ! -e "$tasks/Today's Wallpaper" ] || fail "the uninstall left the day-change task"
    [ ! -e "$tasks/Papier-peint du jour" ] || fail "the uninstall left the French day-change task"
    [ -e "$tasks/Another program" ] || fail "the uninstall removed another program's task"
    ! wine_step reg query "$uninstall_key" >"$state/uninstall.txt" 2>&1 ||
        fail "the uninstall left the entry in the list of installed programs"
    [ "$(cat "$schedule")" = "$(printf '"C:\\pictures\\monday.bmp2"\r')" ] ||
        fail "the uninstall changed the schedule in the Windows directory"
    cmp -s "$schedule" "$data_schedule" || fail "the uninstall changed the schedule in the data folder"
}

run_step "$@"
