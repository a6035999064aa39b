#!/bin/bash
# Without the emulated adapter Wine has no driver: the configuration error
# is shown, and the window goes on running once it is answered.
source "$(dirname "$0")/lib.sh"
unset MAROVEX_ADAPTER
start
check "the error box appears" wait_window 20
for _ in $(seq 50); do
    [[ -n "$(visible_windows)" ]] && break
    sleep 0.1
done
sleep 0.5
box=$(visible_windows | head -1)
check "the box is shown, and is not the main window" eval 'geometry "$box" && test "${WIDTH}x${HEIGHT}" != 540x275'
# The box's only button, OK, sits centred near its bottom edge.
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 18)) click 1
sleep 1.5
found=""
for w in $(visible_windows); do
    geometry "$w"
    [[ "${WIDTH}x${HEIGHT}" == 540x275 ]] && found=$w
done
check "the main window runs after the box is answered" test -n "$found"
check "the process is alive" running "$pid"
stop_all

# Started hidden in the tray, the program still says that it found no driver.
start min
check "a hidden start shows the error too" answer 1 20
check "as a stop box with OK" test "$box_look" = "stop: ok"
check "naming the failed verification" \
    test "$box_text" = "$(printf 'Configuration Error\n\nE2.1: Video driver verification failed.  Please ensure that compatible video drivers are installed.')"
sleep 0.5
check "and runs on in the tray" running "$pid"
pass
