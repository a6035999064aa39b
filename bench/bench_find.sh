#!/bin/bash
# The search for the highest clocks on the emulated board (limits 235 MHz
# core and 195 MHz memory, from 200/166 MHz), run inside a Wine session:
# the trials and the time of a full search of both clocks against the lower
# bound for the range, then the same on a board that hangs at every failing
# trial, ended and restarted at each hang as a machine would be.  Prints
# figures; never fails on one.
#
#   bench/bench_find.sh MAROVEXCTL.EXE [CONFIRM-SECONDS]
set -uo pipefail
ctl="$1"
confirm="${2:-30}"
export MAROVEX_ADAPTER=emulated
board='HKLM\SOFTWARE\Marovex\Emulated Adapter'
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fresh_board() {
    wine reg delete 'HKLM\SOFTWARE\Marovex' /f >/dev/null 2>&1
    wine reg add "$board" /v StableCoreMHz /t REG_DWORD /d 235 /f >/dev/null
    wine reg add "$board" /v StableMemMHz /t REG_DWORD /d 195 /f >/dev/null
    wine reg add "$board" /v HangAboveLimit /t REG_DWORD /d "$1" /f >/dev/null
}
hung() { wine reg query "$board" /v Hung 2>/dev/null | grep -q '0x1'; }
trials() { cat "$work"/*.out | tr -d '\r' | grep -cE '^(core|memory) [0-9]+ MHz \.\.\. (passed|failed|did not finish)'; }
now() { date +%s.%N; }

# A halving search of a clock's range of R MHz above the clock the board
# runs tells R + 1 outcomes apart: it needs at least log2(R + 1) trials.
bound=$(/usr/bin/python3 -c 'import math; print(math.ceil(math.log2(44 + 1)) + math.ceil(math.log2(50 + 1)))')

fresh_board 0
start=$(now)
wine "$ctl" find --yes --confirm "$confirm" </dev/null >"$work/plain.out" 2>&1
end=$(now)
found=$(tr -d '\r' <"$work/plain.out" | sed -n 's/^found: //p')
printf '  %-34s %3d trials (lower bound %d), %5.1f s with a confirming run of %d s; found %s\n' \
    "both clocks, every trial returning" "$(trials)" "$bound" "$(/usr/bin/python3 -c "print($end - $start)")" "$confirm" "$found"

rm -f "$work"/*.out
fresh_board 1
restarts=0
start=$(now)
for round in $(seq 20); do
    wine "$ctl" find --yes --confirm "$confirm" </dev/null >"$work/round$round.out" 2>&1 &
    pid=$!
    while kill -0 "$pid" 2>/dev/null && ! hung; do sleep 0.2; done
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        break
    fi
    kill -9 "$pid"
    wait "$pid" 2>/dev/null
    restarts=$((restarts + 1))
    wine reg add "$board" /v Hung /t REG_DWORD /d 0 /f >/dev/null
done
end=$(now)
found=$(cat "$work"/*.out | tr -d '\r' | sed -n 's/^found: //p')
printf '  %-34s %3d trials and %d restarts, %5.1f s (restarts here take no boot); found %s\n' \
    "both clocks, hanging at each failure" "$(trials)" "$restarts" "$(/usr/bin/python3 -c "print($end - $start)")" "$found"
