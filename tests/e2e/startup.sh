#!/bin/bash
# Start-up: the window's place and size, "min" in its variants, one instance.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
reset_board

start
check "the window appears" wait_window 20
sleep 1
w=$(windows | head -1)
check "at the top-left corner" eval 'geometry "$w" && test "$X,$Y" = 0,0'
check "540 by 275 pixels" test "${WIDTH}x${HEIGHT}" = "540x275"

# A second start brings the first forward and leaves at once.
t0=$(date +%s%N)
wine "$exe" >/dev/null 2>&1
took=$(( ($(date +%s%N) - t0) / 1000000 ))
check "a second start returns at once (${took} ms)" test "$took" -lt 5000
check "one window only" test "$(windows | wc -l)" = 1
stop_all

# Ten starts at the same moment: one runs, the others leave.
for _ in $(seq 10); do
    start
done
sleep 6
alive=0
for p in "${started[@]}"; do
    running "$p" && alive=$((alive + 1))
done
check "ten starts at once leave one program running ($alive)" test "$alive" = 1
count=0
for w in $(windows); do
    geometry "$w"
    [[ "${WIDTH}x${HEIGHT}" == 540x275 ]] && count=$((count + 1))
done
check "and one window ($count)" test "$count" = 1
stop_all

# A second start while the first is hidden in the tray leaves it hidden.
start min
wait_window 20
sleep 1
first=$pid
wine "$exe" >/dev/null 2>&1
sleep 1
check "a second start leaves a hidden window hidden" not main_visible
check "and the first runs on" running "$first"
stop_all

for word in min MIN Min; do
    start "$word"
    wait_window 20
    sleep 1
    geometry "$(windows | head -1)"
    check "'$word' starts a window with no area (${WIDTH}x${HEIGHT})" eval '[[ -n "$(windows)" ]] && test "$WIDTH" -le 1 -a "$HEIGHT" -le 1'
    stop_all
done

for args in minimize /min -min "other min"; do
    # shellcheck disable=SC2086
    start $args
    wait_window 20
    sleep 1
    geometry "$(windows | head -1)"
    check "'$args' starts visible (${WIDTH}x${HEIGHT})" test "${WIDTH}x${HEIGHT}" = "540x275"
    stop_all
done
pass
