# Shared by the end-to-end scripts (sourced, not run): a fresh Wine prefix
# and a private X server under $state, the state folder the caller sets
# before sourcing, with $prefix and $drive_c in it.
#
# Every Wine command writes into a file: Wine's helper processes keep
# inherited pipes open for seconds after a program ends.

prefix=$state/prefix
drive_c=$prefix/drive_c

fail() {
    echo "FAIL: $*"
    for log in "$state"/*.log "$state"/*.txt; do
        [ -s "$log" ] && { echo "--- $log"; tr '\r' '~' <"$log" | tail -n 40; }
    done
    exit 1
}

use_prefix() {
    export WINEPREFIX=$prefix WINEDEBUG=-all
    # No offer to install Mono or Gecko: nothing here needs them, and the
    # offer's dialog would wait on the private display for ever.
    export WINEDLLOVERRIDES="mscoree=;mshtml="
    [ -s "$state/display" ] || fail "no X server: the setup did not run"
    DISPLAY=$(cat "$state/display")
    export DISPLAY
}

# The Unix path of a path on drive C:.
unix_path() {
    local path=${1#C:\\}
    printf '%s/%s' "$drive_c" "${path//\\//}"
}

# Starts Xvfb at 96 DPI and records its display in $state/display.
start_x_server() {
    command -v Xvfb >/dev/null || fail "Xvfb is not installed"
    # -displayfd: the server picks a free display itself and writes its
    # number once it accepts connections. -noreset: it keeps its state when
    # the last client leaves.
    setsid Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 -dpi 96 \
        3>"$state/display-number" </dev/null >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 300); do
        [ -s "$state/display-number" ] && break
        sleep 0.1
    done
    [ -s "$state/display-number" ] || fail "Xvfb did not start"
    echo ":$(tr -d '[:space:]' <"$state/display-number")" >"$state/display"
}

# Whatever an earlier or interrupted run left behind goes first.
start_session() {
    cleanup
    mkdir -p "$state"
    start_x_server
    use_prefix
    timeout 300 wineboot -i >"$state/wineboot.log" 2>&1 </dev/null || fail "wineboot -i failed"
    # The session wineboot leaves behind cannot start the Task Scheduler's
    # service (its service database stays locked): the cases start a new one.
    timeout 60 wineserver -w >/dev/null 2>&1 </dev/null || true
    [ -d "$drive_c/windows" ] || fail "the prefix has no C:\\windows"
    # Debian's Wine does not look in fonts-wine's folder by itself; without
    # Marlett the frames it draws show letters for their caption buttons.
    if [ -d /usr/share/wine/fonts ]; then
        cp -n /usr/share/wine/fonts/* "$drive_c/windows/Fonts/" 2>/dev/null || true
    fi
}

cleanup() {
    if [ -d "$prefix" ]; then
        WINEPREFIX=$prefix timeout 60 wineserver -k >/dev/null 2>&1 </dev/null || true
    fi
    if [ -s "$state/xvfb.pid" ]; then
        local pid
        pid=$(cat "$state/xvfb.pid")
        [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ] && kill "$pid"
    fi
    rm -rf "$state"
}

# The script's one step: "setup", "cleanup", or the case named case_<name>
# in the prefix the setup made.
run_step() {
    case ${1:?usage: $(basename "$0") setup|cleanup|CASE} in
        setup) setup ;;
        cleanup) cleanup ;;
        *)
            declare -F "case_$1" >/dev/null || fail "no case named $1"
            use_prefix
            "case_$1"
            echo "passed: $1"
            ;;
    esac
}
