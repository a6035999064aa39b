#!/bin/bash
# marovexctl find on the emulated board: the search ends with the board's
# limits and applies nothing unless told; --apply leaves the pair found on
# the board; on a board that hangs at every failing trial, killed and
# restarted at each hang, it ends with the same limit and never tries a
# pair twice; the window's start after a killed search says so once.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The pairs a search's output says were tried on the board, one a line.
tried() {  # output files...
    sed -n 's/^\(core\|memory\) \([0-9]*\) MHz \.\.\. \(passed\|failed\)$/\1 \2/p' "$@"
}

# Both clocks, on the board's limits of 235 MHz core and 195 MHz memory.
reset_board
ctl find --yes --confirm 2 </dev/null
check "find ends" test "$rc" = 0
check "with the limits" grep -qx "found: 235 MHz core and 195 MHz memory" <<<"$out"
check "and the command that applies them" grep -qx "apply them with: marovexctl clocks 235 195" <<<"$out"
check "the memory clock was searched first" \
    test "$(grep -m1 -o '^\(core\|memory\)' <<<"$out")" = memory
echo "$out" >"$work/both.out"
check "no pair tried twice" test -z "$(tried "$work/both.out" | sort | uniq -d)"
check "the board runs its own clocks again" test "$(core_clock)/$(reg_value "$board" MemClockHz)" = "$(hz 200)/$(hz 166)"
check "and the search's record is gone" test -z "$(reg_value 'HKLM\SOFTWARE\Marovex\Clock Search' Owner)"

# --apply: every candidate is in a ledger now, and the pair found is applied.
ctl find --yes --apply --confirm 2 </dev/null
check "find --apply ends" test "$rc" = 0
check "trying nothing again" test -z "$(tried <(echo "$out"))"
check "and leaves the pair found on the board" \
    test "$(core_clock)/$(reg_value "$board" MemClockHz)" = "$(hz 235)/$(hz 195)"
ctl reset

# A board that hangs at every failing trial: each hang is ended as a
# restart ends it, and find is run again until the search ends.
reset_board
board_switch HangAboveLimit 1
hangs=0
for round in $(seq 8); do
    wine "$ctl_exe" find memory --yes --confirm 2 </dev/null >"$work/round$round.out" 2>"$work/round$round.err" &
    ctl_pid=$!
    started+=("$ctl_pid")
    while running "$ctl_pid" && [[ "$(reg_value "$board" Hung)" != 0x1 ]]; do sleep 0.2; done
    if ! running "$ctl_pid"; then
        wait "$ctl_pid"
        rc=$?
        break
    fi
    kill -9 "$ctl_pid"
    wait "$ctl_pid" 2>/dev/null
    hangs=$((hangs + 1))
    board_switch Hung 0
done
sed -i 's/\r//' "$work"/round*.out "$work"/round*.err
check "after $hangs hangs the search ends" test "$rc:$hangs" = 0:2
check "with the limit" grep -qx "found: 200 MHz core and 195 MHz memory" "$work/round$round.out"
check "each start went on where the last stopped" grep -q "^The search stopped at the memory clock" "$work/round2.out"
check "the clocks before the hung trial were put back" grep -q "did not finish.*were restored" "$work/round2.err"
check "no pair tried twice" test -z "$(tried "$work"/round*.out | sort | uniq -d)"
check "the hung trials count as failed" grep -q "^memory 196 MHz \.\.\. did not finish: failed$" "$work/round$round.out"

# The window's start after a search was killed in a trial: told once.
reset_board
board_switch HangAboveLimit 1
wine "$ctl_exe" find memory --yes </dev/null >/dev/null 2>&1 &
ctl_pid=$!
started+=("$ctl_pid")
while running "$ctl_pid" && [[ "$(reg_value "$board" Hung)" != 0x1 ]]; do sleep 0.2; done
kill -9 "$ctl_pid"
wait "$ctl_pid" 2>/dev/null
board_switch Hung 0
start
check "the window's start puts the clocks back" answer 1 20
check "saying so" grep -q "did not finish" <<<"$box_text"
check "then tells the search that stopped" answer 1 10
check "in an information box" test "$box_look" = "information: ok"
check "where it stopped" grep -q '^A search for the highest clock speeds stopped at the memory clock' <<<"$box_text"
check "and how to go on" grep -q '^Run "marovexctl find memory" to go on' <<<"$box_text"
check "once" not answer 1 3
pass
