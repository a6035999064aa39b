#!/bin/bash
# Dragging the window by its body with the real mouse.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
reset_board
launch
w=$(windows | head -1)

# A press and release without a move leaves the window.
xdotool mousemove 120 235 click 1
sleep 0.5
check "a click on the body leaves the window at 0,0" eval 'geometry "$w" && test "$X,$Y" = 0,0'

# A drag moves it by the distance the mouse went.
xdotool mousemove 120 235 mousedown 1 mousemove 140 245 mousemove 170 275 mouseup 1
sleep 0.5
geometry "$w"
check "a drag moves the window to 50,40 ($X,$Y)" test "$X,$Y" = "50,40"

# The outline, drawn over the window too while it moves, leaves no trace:
# dragged down out of the way of Wine's tray window, the window shows the
# README's picture of the Main page, border included.
xdotool mousemove 170 275 mousedown 1 mousemove 190 340 mousemove 170 575 mouseup 1
face=$(mktemp --suffix=.png) readme_main="$(dirname "$0")/../../docs/main.png"
for _ in $(seq 10); do
    sleep 0.3
    import -window root -crop 540x275+50+340 +repage "$face"
    same_picture "$face" "$readme_main" && break
done
check "the dragged window shows no trace of the outline" same_picture "$face" "$readme_main"
rm -f "$face"
pass
