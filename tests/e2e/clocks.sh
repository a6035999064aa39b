#!/bin/bash
# New clocks with the real mouse: refused untested, tested in the progress
# dialog, then applied (the tested pair only); a test beyond the board's
# limit fails; Reset; a board that refuses the old clocks back.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
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
launch
click_at 378 111                                # Test, at the current clocks
check "Test at the current clocks asks nothing" not answer 6 2
check "and runs no test" not test_dialog_shown
bart=$(reg_value "$hardware" Bart)
wine reg delete "$hardware" /v Homer /f >/dev/null   # the salt goes while the window runs
drag_core 360                                   # about 211 MHz
click_at 506 228                                # OK
check "untested clocks are refused" answer 1
check "in an information box with OK" test "$box_look" = "information: ok"
check "with the information text" grep -q "must be tested on the video hardware" <<<"$box_text"
check "nothing applied" test "$(core_clock)" = "$(hz 200)"
click_at 378 111                                # Test
check "Test asks first" answer 7                # No
check "with a question, Yes and No" test "$box_look" = "question: yes no"
check "with the warning text" grep -q "will test the video hardware" <<<"$box_text"
sleep 0.5
check "answered No, no test runs" not test_dialog_shown
check "and the board is untouched" test "$(core_clock)" = "$(hz 200)"
click_at 506 228                                # OK
check "OK still refuses the untested clocks" answer 1
click_at 310 110                                # Apply at startup: on
click_at 378 111                                # Test
check "Test asks again" answer 6
check "the progress dialog runs and ends" test_runs_and_ends
sleep 0.5
check "the old clocks are back after the test" test "$(core_clock)" = "$(hz 200)"
drag_core 480 360                               # 250 MHz, above the tested 211
click_at 506 228                                # OK
check "a passed test lets no other clocks through" answer 1
check "with the information text again" grep -q "must be tested on the video hardware" <<<"$box_text"
check "and the board keeps its clock" test "$(core_clock)" = "$(hz 200)"
drag_core 360 480                               # back to the tested 211 MHz
click_at 506 228                                # OK
sleep 1
check "OK hides the window" not main_visible
check "the new core clock is applied" test "$(core_clock)" = "$(hz 211)"
check "the start-up entry is registered" test -n "$(reg_value "$run" NvInitialize)"
check "Marge is written" test "$(reg_value "$hardware" Marge)" = 0x1
check "Krusty holds the applied clocks under the stored salt ($(startup_clocks))" test "$(startup_clocks)" = 211/166
wine "$helper" tray 515                         # back from the tray: the driver is read again
sleep 1
check "and the baseline is not captured again" test -n "$bart" -a "$(reg_value "$hardware" Bart)" = "$bart"
check "nor the salt changed" test "$(startup_clocks)" = 211/166
stop_all

reset_board
launch
drag_core 480                                   # 250 MHz, beyond the board's 235
click_at 378 111                                # Test
check "a test beyond the limit is asked for" answer 6
check "and runs" test_runs_and_ends
check "a test beyond the limit fails" answer 1 15
check "with its message" test "$box_text" = "The new clock speeds failed testing."
check "in a stop box with OK" test "$box_look" = "stop: ok"
click_at 506 228                                # OK
check "the failed clocks are refused" answer 1
check "nothing applied" test "$(core_clock)" = "$(hz 200)"
click_at 428 111                                # Reset
click_at 506 228                                # OK
check "after Reset nothing needs a test" not answer 1 2
check "and OK hides the window" not main_visible
check "the clock is the baseline" test "$(core_clock)" = "$(hz 200)"
stop_all

# A board that takes the trial but not the old clocks back: the test passes,
# the user is told, and OK of the tested clocks ends the journal.
reset_board
board_switch RefuseClockSetsFrom 4              # the trial and the shown progress (Wine sends one show) take
launch
drag_core 419                                   # about 230 MHz
click_at 378 111                                # Test
answer 6
check "the progress dialog runs and ends" test_runs_and_ends
check "the refused restore is told" answer 1 10
check "in a stop box with OK" test "$box_look" = "stop: ok"
check "with the driver's message" test "$box_text" = "$(printf 'Configuration Error\n\nE6.7: Unable to reset the video core clock speed.  The board may still run the tested clock speeds.')"
tested=$(($(reg_value "$journal" TrialCore)))
check "the journal stays, with the tested clock ($tested MHz)" test "$tested" -gt 200
check "which the board still runs" test "$(core_clock)" = "$(hz "$tested")"
click_at 506 228                                # OK: the tested pair
sleep 1
check "OK of the tested clocks needs no new test" not main_visible
check "the board runs them" test "$(core_clock)" = "$(hz "$tested")"
check "and the journal is gone" test -z "$(reg_value "$journal" TrialCore)"
stop_all
launch
check "the next start puts nothing back" not answer 1 2
check "and the board keeps the applied clock" test "$(core_clock)" = "$(hz "$tested")"

# A failed test whose clocks the board keeps (the restore refused): the page
# read again shows the clocks from before the test, never the failed ones,
# and OK of what it shows puts them back.
stop_all
reset_board
board_switch RefuseClockSetsFrom 4
launch
drag_core 480                                   # 250 MHz, beyond the board's 235
click_at 378 111                                # Test
answer 6
check "a failed test runs" test_runs_and_ends
check "its refused restore is told" answer 1 10
check "and its failure" test "$(answer 1 10 && echo "$box_text")" = "The new clock speeds failed testing."
check "the board keeps the failed clock" test "$(core_clock)" = "$(hz 250)"
click_at 447 10                                 # the About tab
click_at 314 10                                 # the Main tab: the page read again
click_at 506 228                                # OK
sleep 1
check "OK of the page read again needs no test" not main_visible
check "and puts the clock before the test back" test "$(core_clock)" = "$(hz 200)"
check "ending the journal" test -z "$(reg_value "$journal" TrialCore)"
pass
