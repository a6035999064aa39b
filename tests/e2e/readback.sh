#!/bin/bash
# What the driver really takes, read back after an apply, and the clocks
# remembered as failed: a board that rounds its clocks, one that ignores
# them, keys that keep their values, and a second test of failed clocks.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated

# The window: 211 MHz tested and applied on a board that makes 2 MHz steps.
reset_board
board_switch ClockStepHz 2000000
launch
drag_core 360                                   # about 211 MHz
click_at 378 111                                # Test
answer 6
wait_test_dialog 4
for _ in $(seq 60); do test_dialog_shown || break; sleep 0.1; done
sleep 0.5
click_at 506 228                                # OK
check "a rounded clock is told" answer 1
check "in an information box" test "$box_look" = "information: ok"
check "naming what the board runs" \
    test "$box_text" = "The driver runs the core clock at 210 MHz, not at the 211 MHz that was applied."
sleep 1
check "then the window goes to the tray" not main_visible
ctl status
check "status shows what the board runs" grep -qx "core-clock: 210 MHz" <<<"$out"
stop_all

# The console: a board that comes to ignore clock requests.  An apply of
# the baseline, which needs no test, is told clock by clock; a test on it
# tested nothing.
reset_board
ctl clocks 215 170 --yes
board_switch IgnoreClockSets 1
ctl reset
check "ignored clocks: status 7" test "$rc" = 7
check "with a warning for each clock" test "$err" = "$(printf '%s\n' \
    "marovexctl: warning: The driver runs the core clock at 215 MHz, not at the 200 MHz that was applied." \
    "marovexctl: warning: The driver runs the memory clock at 170 MHz, not at the 166 MHz that was applied.")"
ctl test 220 180 --yes
check "a test the board does not run: status 4" test "$rc" = 4
check "told as nothing tested" grep -qx "The board did not take the clock speeds asked for; nothing was tested." <<<"$err"
ctl status
check "and its clocks listed nowhere" grep -qx "passed-clocks: 215/170 MHz" <<<"$out"
check "not as failed either" grep -qx "failed-clocks: none" <<<"$out"

# The window: the driver's keys keep their values.
reset_board
board_switch RefuseSettingWrites 1
launch
click_at 90 124                                 # Direct3D V-Sync: off
click_at 506 228                                # OK
check "a setting not kept is told" answer 1
check "by its registry value" \
    test "$box_text" = 'The registry value Direct3D\VSYNCENABLE does not hold what was applied.'
stop_all

# A failed test, then a second test of the same clocks asks once more.
reset_board
launch
drag_core 480                                   # 250 MHz, beyond the board's limit
click_at 378 111
answer 6
check "the test fails" answer 1 15
click_at 378 111                                # Test again
check "the second test asks first" answer 6
check "then asks once more" answer 7
check "naming the clocks that failed" grep -q "250 MHz core and 166 MHz memory failed a test before" <<<"$box_text"
sleep 0.5
check "answered No, no test runs" not test_dialog_shown
ctl status
check "status lists the failed clocks" grep -qx "failed-clocks: 250/166 MHz" <<<"$out"
pass
