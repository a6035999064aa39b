#!/bin/bash
# The tray with the real mouse on the icon in Wine's tray window: a start
# with "min", a single click that does nothing, the double-click and the
# menu's Open that show the window centred, the menu's Exit, and Escape,
# which ends the program too; no icon is left behind.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
tray_shown() {
    [[ -n "$(xdotool search --onlyvisible --name 'Wine System Tray' 2>/dev/null)" ]]
}
centred() {
    local w
    w=$(visible_windows | head -1)
    [[ -n "$w" ]] || return 1
    geometry "$w"
    echo "the window at $X,$Y"
    [[ "$X,$Y" == 242,246 ]]
}

for how in double-click menu; do
    reset_board
    start min
    wait_window 20
    sleep 1
    check "started hidden" not main_visible
    check "the tray icon is shown" tray_shown
    if [[ $how == double-click ]]; then
        tray_click 1
        check "a single click on the icon does nothing" not main_visible
        tray_click 1 2
    else
        tray_click 3
        tray_menu_open
    fi
    sleep 0.5
    check "the $how shows the window" main_visible
    check "centred on the screen" centred
    tray_click 3
    tray_menu_exit
    check "Exit ends the program" wait_gone "$pid" 5
    sleep 0.5
    check "and leaves no tray icon" not tray_shown
    started=()
done

# Escape ends the program; Enter presses the focused control instead.
reset_board
start
wait_window 20
sleep 1.5
check "the tray icon is shown" tray_shown
xdotool key Return
sleep 0.5
check "Enter presses the focused button, and the program runs on" running "$pid"
xdotool key Escape
check "Escape ends the program" wait_gone "$pid" 5
sleep 0.5
check "and leaves no tray icon" not tray_shown
started=()
pass
