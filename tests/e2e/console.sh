#!/bin/bash
# marovexctl under Wine on the emulated adapter: each command, checked in
# the registry and on the board; bad input refused with nothing written; a
# console killed during its test; the window and the console never change
# the settings at once.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
d3d='HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0\Direct3D'
gl='HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0\OpenGL'
run='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT


# Everything the program and the board keep in the registry.
registry() {
    local key
    for key in 'HKLM\SOFTWARE\Marovex' 'HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0' "$run"; do
        wine reg query "$key" /s 2>/dev/null | tr -d '\r'
    done
}

reset_board
ctl status </dev/null
check "status answers" test "$rc" = 0 -a -n "$out"
check "with the factory clocks" grep -qx "core-clock: 200 MHz" <<<"$out"
check "and the slider's range" grep -qx "core-clock-range: 175-250 MHz" <<<"$out"
ctl set d3d-vsync=off gl-fsaa=1.5x
check "set succeeds" test "$rc:$(reg_value "$d3d" VSYNCENABLE)" = 0:0x0
check "Direct3D vertical sync written off" test "$(reg_value "$d3d" VSYNCENABLE)" = 0x0
check "OpenGL FSAA 1.5x written" test "$(reg_value "$gl" EnableFSAA)/$(reg_value "$gl" FSAAQuality)" = 0x1/0x0
ctl status
check "status shows the change" grep -qx "d3d-vsync: off" <<<"$out"

# Bad input: refused with status 1, the bad word named, nothing written.
printf '[Marovex]\r\nd3d-vsync=on\r\ncolour=blue\r\n' >"$work/unknown.ini"
printf '[Marovex]\r\nd3d-vsync\r\n' >"$work/malformed.ini"
head -c 100000 /dev/zero | tr '\0' x >"$work/large.ini"
printf 'd3d-vsync=off\r\n[Marovex]\r\ngl-vsync=off\r\n' >"$work/before.ini"
printf '[Marovex]\r\nd3d-vsync=off\0\r\ngl-vsync=off\r\n' >"$work/zero-byte.ini"
long="$(printf 'n%.0s' $(seq 255)).ini"        # a bare name whose full path is over 260
before="$(registry)"
while IFS='|' read -r words named; do
    # shellcheck disable=SC2086
    ctl $words </dev/null
    check "'$words' is refused naming $named" test "$rc:$(grep -c . <<<"$err"):$(grep -cF -- "$named" <<<"$err")" = 1:1:1
done <<EOF_CASES
frob|"frob"
set|NAME=VALUE
set d3d-vsync=on colour=blue|"colour"
set d3d-vsync=maybe|"maybe"
clocks fast 166|"fast"
clocks 300 166 --yes|300 MHz is outside
import $work/missing.ini|missing.ini
import $work/unknown.ini --yes|"colour"
import $work/malformed.ini|"d3d-vsync"
import $work/large.ini|too large
import $work/before.ini --yes|line 1 comes before [Marovex]
import $work/zero-byte.ini --yes|line 2 holds a NUL byte
export --ini|unknown option "--ini"
export $long|cannot make a full path
EOF_CASES
ctl export "" </dev/null
check "an empty name is refused" test "$rc:$err" = "1:marovexctl: export needs a FILE, not an empty name (marovexctl --help lists the commands)"
check "nothing was written" test "$(registry)" = "$before"
check "no file named --ini was made" test ! -e ./--ini
check "nor the long name in the Windows directory" \
    test -z "$(find "$WINEPREFIX/drive_c/windows" -maxdepth 1 -name 'nnnn*' 2>/dev/null)"

# Clocks: tested, then applied; beyond the board's limit, refused.
ctl clocks 211 166 --yes
check "clocks that pass are applied" test "$rc:$(core_clock)" = "0:$(hz 211)"
check "after the test's progress" grep -q "^testing 211 MHz core and 166 MHz memory \.\{20\}$" <<<"$out"
ctl clocks 240 166 --yes
check "clocks beyond the limit fail the test" test "$rc" = 4
check "saying so" test "$err" = "The new clock speeds failed testing."
check "the old clock back on the board" test "$(core_clock)" = "$(hz 211)"
ctl clocks 220 166 <<<"n"
check "answered No on standard input" test "$rc" = 5
check "after the question" grep -q "^Test 220 MHz core and 166 MHz memory on the video hardware? .* \[y/N\]" <<<"$out"
check "nothing tested" test "$(core_clock)" = "$(hz 211)"

# A test of one clock leaves the other as the board ran it, to the hertz.
board_switch CoreClockHz 200666666
ctl test 201 180 --yes
check "a memory test passes, leaving the core at 200666666 Hz" \
    test "$rc:${out##*$'\n'}:$(core_clock)" = "0:passed:0xbf5ee2a"
ctl clocks 211 166 --yes
check "clocks are applied again" test "$rc:$(core_clock)" = "0:$(hz 211)"

# A board that refuses the old clocks back: the test's verdict, its own
# status 8, and the tested clocks applied on purpose end the journal.
board_switch RefuseClockSetsFrom 6              # the trial's and the progress's sets take
ctl test 230 166 --yes
check "a refused restore: status 8" test "$rc" = 8
check "after the verdict" test "$out" = "$(printf 'testing 230 MHz core and 166 MHz memory ....................\npassed')"
check "saying what the board may run" test "$err" = "E6.7: Unable to reset the video core clock speed.  The board may still run the tested clock speeds."
check "the board runs the tested clock" test "$(core_clock)" = "$(hz 230)"
ctl clocks 230 166 --yes
check "the tested clocks applied" test "$rc:$(core_clock)" = "0:$(hz 230)"
check "the journal ended" test -z "$(reg_value "$journal" TrialCore)"
ctl status
check "the next command puts nothing back" test -z "$err"
check "and lists the tested clocks as failed no more than before" grep -qx "failed-clocks: 240/166 MHz" <<<"$out"
board_switch RefuseClockSetsFrom 0
ctl clocks 211 166 --yes

# A damaged journal: removed and told, the board untouched.
for damage in "OldCore REG_DWORD 4000" "OldCore REG_SZ 2" "TrialCore REG_DWORD 0"; do
    read -r name type data <<<"$damage"
    for value in OldCore:200 OldMem:166 TrialCore:230 TrialMem:166; do
        wine reg add "$journal" /v "${value%:*}" /t REG_DWORD /d "${value#*:}" /f >/dev/null
    done
    wine reg add "$journal" /v "$name" /t "$type" /d "$data" /f >/dev/null
    board_switch CoreClockHz 230000000
    ctl status
    check "a journal with $name $type $data is told as damaged, the board keeping its clock" \
        test "$err:$(core_clock)" = "A damaged record of a clock test was found and removed; no clock speed was changed.:$(hz 230)"
    check "and the journal is gone" test -z "$(reg_value "$journal" "$name")"
done
ctl clocks 211 166 --yes
check "back at 211 MHz" test "$rc:$(core_clock)" = "0:$(hz 211)"

# Start-up: the log-on entry and record the window writes.
ctl set startup=on
check "startup=on registers the log-on entry" \
    bash -c "wine reg query '$run' /v NvInitialize | grep -q 'REG_SZ *RUNDLL32.EXE NVQTWK.DLL,NvXTInit'"
check "Marge is written" test "$(reg_value "$hardware" Marge)" = 0x1
check "Krusty holds the current clocks" test "$(startup_clocks)" = 211/166

# Export, change everything, import: every setting as it was.
ctl status --ini
saved_ini="$out"
ctl export "$(winepath -w "$work/saved.ini")"
check "export writes the file status --ini prints" test -n "$saved_ini" -a "$(tr -d '\r' <"$work/saved.ini")" = "$saved_ini"
ctl set d3d-vsync=on d3d-fsaa=9x gl-vsync=off gl-fsaa=2x overlay=activated startup=off
ctl reset
check "reset puts the baseline on the board" test "$rc:$(core_clock)" = "0:$(hz 200)"
ctl import "$(winepath -w "$work/saved.ini")" --yes
check "import succeeds, testing its clocks" test "$rc:$(core_clock)" = "0:$(hz 211)"
ctl status --ini
check "and restores every setting" test -n "$out" -a "$out" = "$saved_ini"

# A console killed a second into the trial clocks of its test.
kill_during_test() {  # marovexctl's arguments...
    wine "$ctl_exe" "$@" >/dev/null 2>&1 &
    ctl_pid=$!
    started+=("$ctl_pid")
    for _ in $(seq 50); do [[ -n "$(reg_value "$journal" TrialCore)" ]] && break; sleep 0.1; done
    sleep 1
    kill -9 "$ctl_pid"
    wait "$ctl_pid" 2>/dev/null
}

# A console killed during its test: the next session puts the clocks back.
kill_during_test clocks 230 166 --yes
check "killed during its test, the board runs the trial clock of its journal" \
    test "$(reg_value "$journal" TrialCore):$(core_clock)" = "0xe6:$(hz 230)"
ctl status
check "the next session says what happened" grep -q "did not finish.*were restored" <<<"$err"
check "and the clock before the test is back" test "$(core_clock)" = "$(hz 211)"

# The same on a board whose clock generator makes clocks on its own 7 MHz
# step (196 MHz core): the trial of 213 MHz runs at 210, and the next
# session still takes that for the trial clock.
reset_board
board_switch ClockStepHz 7000000
ctl status
kill_during_test test 213 161 --yes
check "killed during its test on a stepped board, the board runs the trial as it makes it" \
    test "$(reg_value "$journal" TrialCore):$(core_clock)" = "0xd5:$(hz 210)"
ctl status
check "the next session puts the clock before it back" grep -q "did not finish.*were restored" <<<"$err"
check "which the board runs again" test "$(core_clock)" = "$(hz 196)"
check "and the journal is gone" test -z "$(reg_value "$journal" TrialCore)"
board_switch ClockStepHz 0
ctl export AUX
check "export to a device's name is refused" test "$rc:$err" = "1:marovexctl: AUX names a device, not a settings file"

# The window's test running: the console changes nothing.
reset_board
launch
move_main_away
drag_core 419                                   # 230 MHz
click_at 378 111                                # Test
answer 6
wait_test_dialog 4
ctl set d3d-vsync=off
check "while the window tests, the console is busy" test "$rc" = 6
check "and says why" grep -q "being changed by another program" <<<"$err"
ctl status
check "status counts the clocks before the test" grep -qx "core-clock: 200 MHz" <<<"$out"
for _ in $(seq 60); do test_dialog_shown || break; sleep 0.1; done
sleep 0.5
check "the window's test ends with its old clock" test "$(core_clock)" = "$(hz 200)"
check "and nothing set by the console" test -z "$(reg_value "$d3d" VSYNCENABLE)"

# The console's test running: the window's OK tells the user and does nothing.
wine "$ctl_exe" clocks 211 166 --yes >/dev/null 2>&1 &
started+=("$!")
for _ in $(seq 50); do [[ -n "$(reg_value "$journal" TrialCore)" ]] && break; sleep 0.1; done
click_at 90 124                                 # Direct3D V-Sync: off
click_at 506 228                                # OK
check "while the console tests, the window's OK says so" answer 1
check "in an information box" test "$box_look" = "information: ok"
check "naming the other program" grep -q "being changed by another program" <<<"$box_text"
check "and writes nothing" test -z "$(reg_value "$d3d" VSYNCENABLE)"
pass
