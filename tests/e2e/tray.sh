#!/bin/bash
# The tray: a start with "min", the double-click that shows the window
# centred, and the menu's Exit that ends the program and takes the icon away.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
tray_shown() {
    [[ -n "$(xdotool search --onlyvisible --name 'Wine System Tray' 2>/dev/null)" ]]
}

reset_board
start min
wait_window 20
sleep 1
check "started hidden" not main_visible
check "the tray icon is shown" tray_shown
wine "$helper" tray 515                          # double-click
sleep 1
check "the double-click shows the window" main_visible
w=$(visible_windows | head -1)
geometry "$w"
check "centred on the screen ($X,$Y)" test "$X,$Y" = "242,246"
xdotool mousemove 600 600
wine "$helper" tray 516                          # right button
sleep 1
xdotool mousemove 625 630 click 1                # the second item, "&Exit"
for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
check "Exit ends the program" not running "$pid"
sleep 0.5
check "and leaves no tray icon" not tray_shown
pass
