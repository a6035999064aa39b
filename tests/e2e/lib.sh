# Helpers for the end-to-end tests: the real marovex.exe under Wine, inside
# the session that scripts/wine-session provides (Xvfb, prefix, wineserver).
# A test sources this file, calls its steps, and ends with `pass`.
set -uo pipefail

exe="${MAROVEX_EXE:?the path of marovex.exe}"
helper="${E2E_HELPER:?the path of e2e_helper.exe}"
ctl_exe="${MAROVEXCTL_EXE:?the path of marovexctl.exe}"
export WINEDEBUG=-all
failures=0

check() {  # description, command...; fails as the command did
    local what="$1"
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAIL: $what"
        failures=$((failures + 1))
        return 1
    fi
}

# Succeeds when the command fails: for checks of what must not be.
not() {
    ! "$@"
}

pass() {
    stop_all
    if ((failures)); then
        echo "$failures check(s) failed"
        exit 1
    fi
}

# Starts the program with the given arguments; its process id goes to $pid
# and to the list of those this test started.
started=()
start() {
    wine "$exe" "$@" >/dev/null 2>&1 &
    pid=$!
    started+=("$pid")
    main_y=0
}

# Starts the program and waits until its main window shows; when it does
# not within the given seconds, a failed check says so and what was seen.
launch() {  # arguments...
    start "$@"
    local _
    for _ in $(seq 200); do
        if main_visible; then
            sleep 0.7
            return 0
        fi
        sleep 0.1
    done
    check "the main window appears within 20 s" false
    describe_session
    return 1
}

running() {  # process id
    kill -0 "$1" 2>/dev/null
}

# Waits up to the given seconds for a process to end.
wait_gone() {  # process id, seconds
    for _ in $(seq $((${2:-5} * 10))); do
        running "$1" || return 0
        sleep 0.1
    done
    ! running "$1"
}

# Ends the programs this test started, by their process ids, and nothing else.
stop_all() {
    local p
    for p in "${started[@]}"; do
        kill "$p" 2>/dev/null || true
    done
    for p in "${started[@]}"; do
        wait_gone "$p" 5 || { kill -9 "$p" 2>/dev/null; wait_gone "$p" 5; } || true
    done
    started=()
}

# Runs marovexctl: standard output to $out, standard error to $err, the exit
# status to $rc.  Its standard input is the caller's.
ctl() {
    local o e
    o=$(mktemp)
    e=$(mktemp)
    wine "$ctl_exe" "$@" >"$o" 2>"$e"
    rc=$?
    out="$(tr -d '\r' <"$o")"
    err="$(tr -d '\r' <"$e")"
    rm -f "$o" "$e"
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

# Sets X, Y, WIDTH and HEIGHT of a window; all 0, and a failure, when there
# is none.
geometry() {
    X=0 Y=0 WIDTH=0 HEIGHT=0
    [[ -n "$1" ]] || { echo "no window to measure" >&2; return 1; }
    eval "$(xdotool getwindowgeometry --shell "$1")"
}

# What a failed wait saw, for the test's log: the programs this test
# started, whether they still run, and every named window.
describe_session() {
    local p w
    for p in "${started[@]}"; do
        echo "  process $p: $(running "$p" && echo running || echo ended)"
    done
    for w in $(xdotool search --name '.' 2>/dev/null); do
        echo "  window $w: \"$(xdotool getwindowname "$w" 2>/dev/null)\""
    done
}

# Whether two pictures are alike to the pixel.
same_picture() {  # file, file
    [[ "$(compare -metric AE "$1" "$2" null: 2>&1)" == 0 ]]
}

# The colour of one screen pixel, as "#RRGGBB".
pixel() {
    import -window root -crop "1x1+$1+$2" +repage txt:- | awk 'NR == 2 { print $3 }'
}

# Presses a button of the program's next message box; its text goes to
# $box_text, its icon and buttons to $box_look ("stop: ok", "question: yes no").
answer() {  # button id, seconds
    local reply
    reply="$(wine "$helper" answer "$1" "${2:-10}" 2>/dev/null | tr -d '\r')"
    box_look="$(head -1 <<<"$reply")"
    box_text="$(tail -n +2 <<<"$reply")"
    [[ -n "$reply" ]]
}

# Waits for the program's next message box, as answer does, and answers it
# with a key pressed on the keyboard.
answer_with_key() {  # key, seconds
    local reply
    reply="$(wine "$helper" box "${2:-10}" 2>/dev/null | tr -d '\r')"
    box_look="$(head -1 <<<"$reply")"
    box_text="$(tail -n +2 <<<"$reply")"
    [[ -n "$reply" ]] && sleep 0.3 && xdotool key "$1"
}

# A click on a point of the main window's client area (the window at 0,0 has
# a one-pixel border).
click_at() {
    xdotool mousemove $(($1 + 1)) $((main_y + $2 + 1)) click 1
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
    wine reg delete 'HKLM\SOFTWARE\Marovex' /f >/dev/null 2>&1 || true
    wine reg delete 'HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0' /f >/dev/null 2>&1 || true
    wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v NvInitialize /f >/dev/null 2>&1 || true
}

# How far down the main window was moved from the screen's corner; click_at
# and the drags below follow it.
main_y=0

# Drags the main window 300 pixels down by its body, out of the way of
# Wine's tray window in the screen's top-left corner.
move_main_away() {
    xdotool mousemove 120 235 mousedown 1 mousemove 140 300 mousemove 120 535 mouseup 1
    sleep 0.5
    main_y=300
}

# The program's tray icon, the first in Wine's tray window, clicked with the
# real mouse: the button, and how many clicks.
tray_click() {  # button, count
    xdotool mousemove 13 32 click --repeat "${2:-1}" --delay 80 "$1"
    sleep 0.7
}

# The tray menu's items, under the pointer where the right click opened it.
tray_menu_open() { xdotool mousemove 38 42 click 1; sleep 0.5; }
tray_menu_exit() { xdotool mousemove 38 62 click 1; sleep 0.5; }

# Drags the core clock's thumb from client x (at 200 MHz: 328) to client x.
drag_core() {  # to, from
    local from="${2:-328}"
    xdotool mousemove $((from + 1)) $((main_y + 61)) mousedown 1 \
        mousemove $((from + 12)) $((main_y + 61)) mousemove $(($1 + 1)) $((main_y + 61)) mouseup 1
    sleep 0.3
}

test_dialog_shown() {
    [[ -n "$(xdotool search --onlyvisible --name '^Testing new settings$' 2>/dev/null)" ]]
}

wait_test_dialog() {  # seconds
    for _ in $(seq $((${1:-4} * 10))); do
        test_dialog_shown && return 0
        sleep 0.1
    done
    return 1
}

no_program_error() {
    [[ -z "$(xdotool search --name 'Program Error' 2>/dev/null)" ]]
}

board='HKLM\SOFTWARE\Marovex\Emulated Adapter'
# One of the emulated board's stored values, set before a program starts.
board_switch() {  # name, value
    wine reg add "$board" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null
}
journal='HKLM\SOFTWARE\Marovex\Clock Test'
hz() { printf '0x%x' $(($1 * 1000000)); }
# The board's core clock as the emulated board stores it from its first use
# on; "missing" (and a line on standard error) when nothing ever used it.
core_clock() {
    local value
    value=$(reg_value "$board" CoreClockHz)
    [[ -n "$value" ]] || echo "the emulated board has no stored core clock: nothing used it" >&2
    echo "${value:-missing}"
}

hardware='HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0\NVTweak\Hardware'
# The clocks of the start-up record, "core/memory" in MHz, unscrambled with
# the stored salt and the board's device ID (0x0110).
startup_clocks() {
    local k h
    k=$(($(reg_value "$hardware" Krusty)))
    h=$(($(reg_value "$hardware" Homer)))
    echo "$(((k & 0xFFFF) ^ 0x0110 ^ ((((h & 0xFFFF) ^ 0x1D69) << 1) & 0xFFFF)))/$(((k >> 16) ^ 0x0110 ^ ((h >> 1) & 0xFFFF) ^ 0x5A3C))"
}

# What a screen reader learns of the focused control: "name|role|state|value".
focused() { wine "$helper" focus 2>/dev/null | tr -d '\r'; }
focused_name() { focused | cut -d'|' -f1; }
# Presses Tab (or Shift+Tab) until the named control has the focus.
tab_to() {  # name, [shift]
    for _ in $(seq 25); do
        [[ "$(focused_name)" == "$1" ]] && return 0
        xdotool key "${2:+shift+}Tab"
        sleep 0.15
    done
    return 1
}
