# Helpers for the end-to-end tests: the real marovex.exe under Wine, inside
# the session that scripts/wine-session provides (Xvfb, prefix, wineserver).
# A test sources this file, calls its steps, and ends with `pass`.
set -uo pipefail

exe="${MAROVEX_EXE:?the path of marovex.exe}"
export WINEDEBUG=-all
failures=0

check() {  # description, command...
    local what="$1"
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAIL: $what"
        failures=$((failures + 1))
    fi
}

pass() {
    stop_all
    if ((failures)); then
        echo "$failures check(s) failed"
        exit 1
    fi
}

# Starts the program with the given arguments; its process id goes to $pid.
start() {
    wine "$exe" "$@" >/dev/null 2>&1 &
    pid=$!
}

stop_all() {
    local p
    for p in $(pgrep -f 'marovex.exe' || true); do
        kill "$p" 2>/dev/null || true
    done
    for _ in $(seq 50); do
        pgrep -f 'marovex.exe' >/dev/null || break
        sleep 0.1
    done
}

# The X windows titled exactly "Marovex" (the main window, message boxes).
windows() {
    xdotool search --name '^Marovex$' 2>/dev/null || true
}

visible_windows() {
    xdotool search --onlyvisible --name '^Marovex$' 2>/dev/null || true
}

wait_window() {  # seconds
    for _ in $(seq $((${1:-10} * 10))); do
        [[ -n "$(windows)" ]] && return 0
        sleep 0.1
    done
    return 1
}

# Sets X, Y, WIDTH and HEIGHT of a window.
geometry() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
}

# The colour of one screen pixel, as "#RRGGBB".
pixel() {
    import -window root -crop "1x1+$1+$2" +repage txt:- | awk 'NR == 2 { print $3 }'
}

reset_board() {
    wine reg delete 'HKLM\SOFTWARE\Marovex\Emulated Adapter' /f >/dev/null 2>&1 || true
}
