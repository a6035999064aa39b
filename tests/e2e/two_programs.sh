#!/bin/bash
# Two programs at once on the one emulated board, as on real hardware: a
# run waiting at its question keeps a second run out; the clocks the user
# sets during a game stay, both, when it ends; the window opened during a
# game shows the game's clocks, and its OK keeps them.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
game="${GAME_STANDIN:?the path of game_standin.exe}"
work="$(mktemp -d)"
trap 'exec 3>&-; rm -rf "$work"' EXIT
win() { winepath -w "$1"; }
wait_file() {  # file, seconds
    for _ in $(seq $((${2:-20} * 10))); do [[ -s "$1" ]] && return 0; sleep 0.1; done
    return 1
}
record='HKLM\SOFTWARE\Marovex\Program Run'

reset_board
printf '[Marovex]\r\ncore-clock=211\r\nd3d-vsync=off\r\n' >"$work/racer.ini"
ctl status

# Run A waits at its clock question, its standard input a pipe held open.
mkfifo "$work/answer"
exec 3<>"$work/answer"
wine "$ctl_exe" run "$(win "$work/racer.ini")" "$game" "$(win "$work/a.txt")" 0 - \
    <"$work/answer" >"$work/a.out" 2>"$work/a.err" &
run_a=$!
started+=("$run_a")
for _ in $(seq 200); do grep -q "Test 211 MHz" "$work/a.out" && break; sleep 0.1; done
check "run A asks its question" grep -q "Test 211 MHz" "$work/a.out"
ctl run --yes "$(win "$work/racer.ini")" "$game" "$(win "$work/b.txt")" 0 -
check "run B, started meanwhile: status 6" test "$rc" = 6
check "starting nothing" test ! -e "$work/b.txt"
check "and recording nothing" test -z "$(reg_value "$record" Owner)"
echo n >&3
check "run A, answered No, ends with 5" wait_gone "$run_a" 20
wait "$run_a"
check "with status 5" test "$?" = 5
check "the board as it was" test "$(core_clock)" = "$(hz 200)"

# Clocks set by the user during the game stay, both of them.
wine "$ctl_exe" run --yes "$(win "$work/racer.ini")" "$game" "$(win "$work/c.txt")" 0 "$(win "$work/c.go")" \
    >"$work/c.out" 2>"$work/c.err" </dev/null &
run_c=$!
started+=("$run_c")
check "the game runs at the run's clocks" wait_file "$work/c.txt"
ctl clocks 210 180 --yes
check "marovexctl clocks during the game applies" test "$rc:$(core_clock)" = "0:$(hz 210)"
touch "$work/c.go"
check "the run ends with the game" wait_gone "$run_c" 20
check "both clocks stay as the user set them" \
    test "$(core_clock)/$(reg_value "$board" MemClockHz)" = "$(hz 210)/$(hz 180)"
check "named once each" test "$(grep -c "clock was changed while" "$work/c.err")" = 2
check "the record is gone" test -z "$(reg_value "$record" Owner)"

# The window, in the tray since before a game, opened during it: it reads
# the board the game runs at, and its OK keeps that clock.
reset_board
ctl clocks 211 166 --yes
ctl reset
launch
click_at 506 251                                # Cancel: to the tray
wine "$ctl_exe" run "$(win "$work/racer.ini")" "$game" "$(win "$work/d.txt")" 0 "$(win "$work/d.go")" \
    >"$work/d.out" 2>"$work/d.err" </dev/null &
run_d=$!
check "a game runs at 211 MHz" wait_file "$work/d.txt"
tray_click 1 2                                  # Open
tab_to "Core clock"
check "the window opened from the tray shows the game's clock" test "$(focused | cut -d'|' -f1,4)" = "Core clock|211 MHz"
click_at 506 228                                # OK: what the window shows
sleep 1
check "and its OK keeps it" test "$(core_clock)" = "$(hz 211)"
stop_all
touch "$work/d.go"
check "the run ends" wait_gone "$run_d" 20
check "and puts the clock back" test "$(core_clock)" = "$(hz 200)"
pass
