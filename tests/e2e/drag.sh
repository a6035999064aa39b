#!/bin/bash
# Dragging the window by its body with the real mouse.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
reset_board
start
wait_window 20
sleep 1
w=$(windows | head -1)

# A press and release without a move leaves the window.
xdotool mousemove 120 235 click 1
sleep 0.5
geometry "$w"
check "a click on the body leaves the window at 0,0 ($X,$Y)" test "$X,$Y" = "0,0"

# A drag moves it by the distance the mouse went.
xdotool mousemove 120 235 mousedown 1 mousemove 140 245 mousemove 170 275 mouseup 1
sleep 0.5
geometry "$w"
check "a drag moves the window to 50,40 ($X,$Y)" test "$X,$Y" = "50,40"
pass
