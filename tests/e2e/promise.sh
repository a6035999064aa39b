#!/bin/bash
# The clock promise with the real mouse: whatever the user does in the tray
# while a clock test or a message box is up, and a process killed during the
# test, the board ends at the clocks it ran before the test.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated

# A test of 230 MHz started from the window, moved out of the tray's way.
start_test() {
    reset_board
    launch
    move_main_away
    drag_core 419                               # 230 MHz
    click_at 378 111                            # Test
    answer 6 && wait_test_dialog 4
}

# Exit from the tray menu during the test: carried out once the clocks are back.
check "the test is running" start_test
tray_click 3
tray_menu_exit
check "the program waits for the test to end" running "$pid"
check "and ends after it" wait_gone "$pid" 10
check "with the board at its old clock" test "$(core_clock)" = "$(hz 200)"
check "and no journal left" test -z "$(reg_value "$journal" TrialCore)"
check "without a crash" no_program_error
stop_all

# Open from the tray, by double-click and by the menu, during the test.
for how in double-click menu; do
    check "a test is running for Open by $how" start_test
    if [[ $how == menu ]]; then
        tray_click 3
        tray_menu_open
    else
        tray_click 1 2
    fi
    for _ in $(seq 60); do test_dialog_shown || break; sleep 0.1; done
    sleep 1
    check "Open by $how during the test: the board at its old clock" test "$(core_clock)" = "$(hz 200)"
    check "the window is shown after the test" main_visible
    check "the program runs on" running "$pid"
    check "without a crash" no_program_error
    stop_all
done

# Exit from the tray menu while the box of a failed apply is up.
reset_board
wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /f >/dev/null 2>&1
launch
move_main_away
click_at 90 124                                 # Direct3D V-Sync: off
click_at 506 228                                # OK
sleep 1
tray_click 3
tray_menu_exit
check "Exit waits for the box" running "$pid"
check "the box of the failed apply" answer 1
check "a stop box with OK" test "$box_look" = "stop: ok"
check "ends with the driver's message and a full stop" \
    test "$box_text" = "$(printf 'Configuration Error\n\nE5.6: Unable to remove the video clock settings from startup..')"
check "then the program ends" wait_gone "$pid" 10
check "without a crash" no_program_error
wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /f >/dev/null 2>&1
stop_all

# A process killed during the test of clocks beyond the board's limit.
reset_board
launch
drag_core 480                                   # 250 MHz
click_at 378 111
answer 6
wait_test_dialog 4
sleep 0.5
kill -9 "$pid"
wait "$pid" 2>/dev/null
check "killed during the test, the board runs the trial clock" test "$(core_clock)" = "$(hz 250)"
check "and the journal says so" test "$(reg_value "$journal" TrialCore)" = 0xfa
started=()
start
check "the next start says what happened" answer 1 20
check "in an information box with OK" test "$box_look" = "information: ok"
check "in its words" test "$box_text" = "The clock test of 250 MHz core and 166 MHz memory did not finish. The clock speeds before it, 200 MHz and 166 MHz, were restored."
sleep 1
check "the old clocks are back" test "$(core_clock)" = "$(hz 200)"
check "the journal is gone" test -z "$(reg_value "$journal" TrialCore)"
click_at 310 110                                # Apply at startup: on
click_at 506 228                                # OK: nothing to test
sleep 1
check "OK needs no test and hides the window" not main_visible
check "the board stays at its old clock" test "$(core_clock)" = "$(hz 200)"
pass
