#!/bin/bash
# Takes the README's pictures of the real program into a directory: the
# Main page, the About page, a control focused from the keyboard, and the
# clock test's progress dialog.  Runs inside a Wine session, as the tests
# do; scripts/screenshots is the way to call it by hand.
#
#   take_screenshots.sh OUTPUT-DIRECTORY
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
out="${1:?the output directory}"
mkdir -p "$out"

# The window below Wine's tray window.
window() {  # file
    import -window root -crop "540x275+0+$main_y" +repage "$1"
}

xdotool mousemove 700 700
reset_board
launch
move_main_away
click_at 447 10                                 # About and back: a face painted afresh
click_at 314 10
xdotool mousemove 700 700
sleep 1
window "$out/main.png"
click_at 447 10
xdotool mousemove 700 700
sleep 1
window "$out/about.png"
click_at 314 10
xdotool key Tab                                 # from Direct3D V-Sync to FSAA 2x
sleep 1
window "$out/focus.png"
drag_core 419                                   # 230 MHz
click_at 378 111                                # Test
answer 6
wait_test_dialog 4
# The progress bar moves every 200 ms: the picture is the dialog with 7 of
# its 20 steps filled, whenever the capture comes.
eval "$(xdotool search --onlyvisible --name '^Testing new settings$' getwindowgeometry --shell)"
for _ in $(seq 80); do
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/clock-test.png"
    filled="$(convert "$out/clock-test.png" -crop "${WIDTH}x1+0+64" +repage txt:- | grep -c '#3096FA')"
    ((filled * 20 / 299 == 7)) && break
    sleep 0.05
done
for _ in $(seq 60); do test_dialog_shown || break; sleep 0.1; done
pass
