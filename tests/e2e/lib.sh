# Helpers for the end-to-end tests: the real marovex.exe under Wine, inside
# the session that scripts/wine-session provides (Xvfb, prefix, wineserver).
# A test sources this file, calls its steps, and ends with `pass`.
set -uo pipefail

exe="${MAROVEX_EXE:?the path of marovex.exe}"
helper="${E2E_HELPER:?the path of e2e_helper.exe}"
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

# Presses a button of the program's next message box; its text goes to $box_text.
answer() {  # button id, seconds
    box_text="$(wine "$helper" answer "$1" "${2:-10}" 2>/dev/null | tr -d '\r')"
    [[ -n "$box_text" ]]
}

# A click on a point of the main window's client area (the window at 0,0 has
# a one-pixel border).
click_at() {
    xdotool mousemove $(( $1 + 1 )) $(( $2 + 1 )) click 1
    sleep 0.3
}

# A registry value's data as `wine reg query` prints it, or nothing.
reg_value() {  # key, value
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v { print $3 }'
}

main_visible() {
    local w
    for w in $(visible_windows); do
        geometry "$w"
        [[ "${WIDTH}x${HEIGHT}" == 540x275 ]] && return 0
    done
    return 1
}

reset_board() {
    wine reg delete 'HKLM\SOFTWARE\Marovex\Emulated Adapter' /f >/dev/null 2>&1 || true
    wine reg delete 'HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0' /f >/dev/null 2>&1 || true
    wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v NvInitialize /f >/dev/null 2>&1 || true
}
