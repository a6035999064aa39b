#!/bin/bash
# The window from the keyboard alone: after the start the pointer never
# moves.  Tab reaches the controls in reading order, Space and Enter press
# them, a slider follows the arrow keys, and a screen reader learns each
# control's name, role, state and value.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
d3d='HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0\Direct3D'

# Whether the focused control is checked (on) or not (off); neither when no
# control tells its state.
check_state() {  # on|off
    local state
    state=$(focused | cut -d'|' -f3)
    [[ $state == 0x* ]] || return 1
    if [[ $1 == on ]]; then ((state & 0x10)); else ! ((state & 0x10)); fi
}

xdotool mousemove 700 700
reset_board
launch
check "the focus starts on Direct3D V-Sync" test "$(focused)" = "Direct3D V-Sync|0x2c|0x100014|"
xdotool key space
sleep 0.3
check "Space turns it off" check_state off
check "Tab goes on to the next control" tab_to "Direct3D FSAA 2x"
check "reported as a radio button" test "$(focused | cut -d'|' -f2)" = 0x2d
check "its tooltip shows for the keyboard" wine "$helper" tooltip
xdotool key space
sleep 0.3
check "Space selects it" check_state on
check "Shift+Tab goes back" tab_to "Direct3D V-Sync" shift
check "and Tab reaches OK" tab_to OK
xdotool key Return
sleep 1
check "Enter on OK sends the window to the tray" not main_visible
check "vertical sync written off" test "$(reg_value "$d3d" VSYNCENABLE)" = 0x0
check "FSAA 2x written" test "$(reg_value "$d3d" ANTIALIASQUALITY)" = 0x0
check "and the program runs on" running "$pid"
check "no tooltip is left on the screen" not wine "$helper" tooltip
stop_all

reset_board
launch
check "Tab reaches the core clock" tab_to "Core clock"
check "a slider, at 200 MHz" test "$(focused | cut -d'|' -f2,4)" = "0x33|200 MHz"
for _ in $(seq 10); do xdotool key Left; sleep 0.05; done
sleep 0.3
check "ten presses of Left: 190 MHz" test "$(focused | cut -d'|' -f4)" = "190 MHz"
check "Tab reaches Test" tab_to Test
xdotool key space
check "Space on Test asks first" answer_with_key Return
check "the progress dialog runs" wait_test_dialog 4
for _ in $(seq 60); do test_dialog_shown || break; sleep 0.1; done
sleep 0.5
check "the board is back at 200 MHz after the test" test "$(core_clock)" = "$(hz 200)"
check "Tab reaches OK" tab_to OK
xdotool key Return
sleep 1
check "Enter on OK applies the tested clock" test "$(core_clock)" = "$(hz 190)"
pass
