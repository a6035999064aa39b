#!/bin/bash
# The page tabs and the tooltips with the real mouse: the About and Main
# tabs switch the face and back, fast double-clicks on them never leave the
# face unpainted, and a pointer resting on a control shows its tooltip.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated

# The client area, with the corner where Wine's tray window stands blacked
# out: it is above or below the window as the two happen to be stacked.
snap_face() {  # file
    import -window root -crop 538x273+1+1 +repage "$1"
    mogrify -fill black -draw "rectangle 0,0 170,50" "$1"
}
# The window's face once it has settled, with the pointer away: two
# pictures 0.3 s apart alike, and painted (a window Wine has exposed but
# not yet repainted is white; on a loaded machine that can last a while).
face() {  # file
    local last
    last=$(mktemp --suffix=.png)
    xdotool mousemove 700 700
    sleep 0.7
    snap_face "$last"
    for _ in $(seq 30); do
        sleep 0.3
        snap_face "$1"
        same_picture "$1" "$last" && (($(convert "$1" -format '%[fx:int(100*mean)]' info:) < 90)) && break
        cp "$1" "$last"
    done
    rm -f "$last"
}
# Succeeds once the window shows the expected face, within 6 s.
shows_face() {  # expected file
    main_visible || { echo "no main window shows a face" >&2; return 1; }
    local now
    now=$(mktemp --suffix=.png)
    xdotool mousemove 700 700
    for _ in $(seq 24); do
        sleep 0.25
        snap_face "$now"
        same_picture "$1" "$now" && break
    done
    same_picture "$1" "$now"
    local shown=$?
    rm -f "$now"
    return $shown
}

reset_board
launch
main_face=$(mktemp --suffix=.png)
other=$(mktemp --suffix=.png)
face "$main_face"

click_at 447 10                                 # the About tab
face "$other"
check "the About tab shows another face" not same_picture "$main_face" "$other"
click_at 314 10                                 # the Main tab
check "the Main tab brings the Main face back" shows_face "$main_face"

# Double-clicks as fast as a hand can, each on the tab the last one showed.
for _ in $(seq 20); do
    xdotool mousemove 448 $((main_y + 11)) click --repeat 2 --delay 1 1
    sleep 0.01
    xdotool mousemove 315 $((main_y + 11)) click --repeat 2 --delay 1 1
done
check "after twenty fast double-clicks the Main face is whole" shows_face "$main_face"

# A tooltip beside the pointer, about as wide as its one line of text.
tooltip_beside() {  # x, y of the pointer
    local left top right bottom
    read -r left top right bottom < <(wine "$helper" tooltip | tr -d '\r') || return 1
    [[ -n "$left" ]] || return 1
    echo "tooltip at $left,$top to $right,$bottom"
    ((left >= $1 - 10 && left <= $1 + 40 && top >= $2 && top <= $2 + 40 && right - left > 40 && right - left < 200))
}
# Waits up to 3 s for it.
tooltip_comes() {  # x, y of the pointer
    for _ in $(seq 30); do
        tooltip_beside "$@" && return 0
        sleep 0.1
    done
    return 1
}
test_y=$((main_y + 112))
xdotool mousemove 375 $test_y sleep 0.1 mousemove 379 $test_y   # onto Test, and rest there
check "a pointer resting on Test shows a tooltip beside it" tooltip_comes 379 $test_y
xdotool mousemove 700 700
sleep 0.7
check "and it goes when the pointer leaves" not tooltip_beside 379 $test_y
rm -f "$main_face" "$other"
pass
