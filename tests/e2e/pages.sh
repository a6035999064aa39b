#!/bin/bash
# The page tabs and the tooltips with the real mouse: the About and Main
# tabs switch the face and back, fast double-clicks on them never leave the
# face unpainted, and a pointer resting on a control shows its tooltip.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated

same_face() {  # file, file
    [[ "$(compare -metric AE "$1" "$2" null: 2>&1)" == 0 ]]
}
# The window's face once it has settled: two pictures 0.3 s apart alike,
# with the pointer away (a tooltip fading or a late repaint is no face).
face() {  # file
    local last
    last=$(mktemp --suffix=.png)
    xdotool mousemove 700 700
    sleep 0.7
    import -window root -crop 540x275+0+0 +repage "$last"
    for _ in $(seq 10); do
        sleep 0.3
        import -window root -crop 540x275+0+0 +repage "$1"
        same_face "$1" "$last" && break
        cp "$1" "$last"
    done
    rm -f "$last"
}

reset_board
start
wait_window 20
sleep 1
main_face=$(mktemp --suffix=.png)
other=$(mktemp --suffix=.png)
face "$main_face"

click_at 447 10                                 # the About tab
face "$other"
check "the About tab shows another face" not same_face "$main_face" "$other"
click_at 314 10                                 # the Main tab
face "$other"
check "the Main tab brings the Main face back" same_face "$main_face" "$other"

# Double-clicks as fast as a hand can, each on the tab the last one showed.
for _ in $(seq 20); do
    xdotool mousemove 448 11 click --repeat 2 --delay 1 1
    sleep 0.01
    xdotool mousemove 315 11 click --repeat 2 --delay 1 1
done
face "$other"
check "after twenty fast double-clicks the Main face is whole" same_face "$main_face" "$other"

# A tooltip beside the pointer, about as wide as its one line of text.
tooltip_beside() {  # x, y of the pointer
    local left top right bottom
    read -r left top right bottom < <(wine "$helper" tooltip | tr -d '\r') || return 1
    echo "tooltip at $left,$top to $right,$bottom"
    ((left >= $1 - 10 && left <= $1 + 40 && top >= $2 && top <= $2 + 40 && right - left > 40 && right - left < 200))
}
xdotool mousemove 379 112                       # onto Test, and rest there
sleep 1.5
check "a pointer resting on Test shows a tooltip beside it" tooltip_beside 379 112
xdotool mousemove 700 700
sleep 0.7
check "and it goes when the pointer leaves" not tooltip_beside 379 112
rm -f "$main_face" "$other"
pass
