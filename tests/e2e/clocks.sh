#!/bin/bash
# New clocks with the real mouse: refused untested, tested in the progress
# dialog, then applied; a test beyond the board's limit fails; Reset.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
hardware='HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0\NVTweak\Hardware'
run='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'

# Waits for the progress dialog to come and go.
test_runs_and_ends() {
    wait_test_dialog 4 || return 1
    for _ in $(seq 100); do
        test_dialog_shown || return 0
        sleep 0.1
    done
    return 1
}

reset_board
start
wait_window 20
sleep 1
drag_core 360                                   # about 211 MHz
click_at 506 228                                # OK
check "untested clocks are refused" answer 1
check "with the information text" grep -q "must be tested on the video hardware" <<<"$box_text"
check "nothing applied" test "$(core_clock)" = "$(hz 200)"
click_at 310 110                                # Apply at startup: on
click_at 378 111                                # Test
check "Test asks first" answer 6
check "with the warning text" grep -q "will test the video hardware" <<<"$box_text"
check "the progress dialog runs and ends" test_runs_and_ends
sleep 0.5
check "the old clocks are back after the test" test "$(core_clock)" = "$(hz 200)"
click_at 506 228                                # OK
sleep 1
check "OK hides the window" not main_visible
check "the new core clock is applied" test "$(core_clock)" = "$(hz 211)"
check "the start-up entry is registered" test -n "$(reg_value "$run" NvInitialize)"
check "Krusty is written" test -n "$(reg_value "$hardware" Krusty)"
check "Marge is written" test "$(reg_value "$hardware" Marge)" = 0x1
stop_all

reset_board
start
wait_window 20
sleep 1
drag_core 480                                   # 250 MHz, beyond the board's 235
click_at 378 111                                # Test
answer 6
test_runs_and_ends
check "a test beyond the limit fails" answer 1 15
check "with its message" test "$box_text" = "The new clock speeds failed testing."
click_at 506 228                                # OK
check "the failed clocks are refused" answer 1
check "nothing applied" test "$(core_clock)" = "$(hz 200)"
click_at 428 111                                # Reset
click_at 506 228                                # OK
check "after Reset nothing needs a test" not answer 1 2
check "and OK hides the window" not main_visible
check "the clock is the baseline" test "$(core_clock)" = "$(hz 200)"
pass
