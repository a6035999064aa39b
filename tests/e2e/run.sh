#!/bin/bash
# marovexctl run under Wine: a stand-in game sees the file's settings, and
# afterwards everything is as before; its exit status comes through; a
# setting changed in the window meanwhile is kept; a marovexctl killed
# during the game is put back by the window's next start; tested clocks are
# not tested again, failed ones start nothing; a missing program and a
# second run change nothing; a batch file named from the current folder
# runs; --until waits for the game a launcher started.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
game="${GAME_STANDIN:?the path of game_standin.exe}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
d3d='HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0\Direct3D'
gl='HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0\OpenGL'

# Every value the programs and the board keep in the registry, one line
# each with its key, but the lists of passed and failed clocks, which a
# run's test adds to.
registry() {
    local key
    for key in 'HKLM\SOFTWARE\Marovex' 'HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0' \
        'HKLM\Software\Microsoft\Windows\CurrentVersion\Run'; do
        wine reg query "$key" /s 2>/dev/null | tr -d '\r' | awk '/^HKEY/ { key = $0; next } NF { print key ":" $0 }'
    done | grep -v -e 'Passed Clocks' -e 'Failed Clocks'
}
win() { winepath -w "$1"; }
# What the game reported, one "name=value" line.
seen() { grep "^$1=" "$work/$2" | tr -d '\r' | cut -d= -f2-; }
wait_file() {  # file, seconds
    for _ in $(seq $((${2:-20} * 10))); do [[ -s "$1" ]] && return 0; sleep 0.1; done
    return 1
}
# A run in the background, its game waiting for $work/$1.go; its process id to $run_pid.
run_waiting() {  # name, settings file
    wine "$ctl_exe" run "$(win "$work/$2")" "$game" "$(win "$work/$1.txt")" 0 "$(win "$work/$1.go")" \
        >"$work/$1.out" 2>"$work/$1.err" </dev/null &
    run_pid=$!
    started+=("$run_pid")
    wait_file "$work/$1.txt"
}
end_game() {  # name
    touch "$work/$1.go"
    wait_gone "$run_pid" 20
}

reset_board
printf '[Marovex]\r\nd3d-vsync=off\r\ngl-fsaa=2x\r\noverlay=activated\r\ncore-clock=211\r\nmemory-clock=166\r\n' \
    >"$work/racer.ini"
printf '[Marovex]\r\ncore-clock=245\r\n' >"$work/fast.ini"
# Every value written once, so that "as before" can be read value by value;
# the log-on entry on, with its record of the clocks.
ctl set d3d-vsync=off gl-fsaa=2x overlay=activated startup=on
ctl set d3d-vsync=on gl-fsaa=off overlay=standard
before="$(registry)"
check "the log-on record holds 200/166" test "$(startup_clocks)" = 200/166
check "the registry holds the settings to compare" grep -q VSYNCENABLE <<<"$before"

ctl run --yes "$(win "$work/racer.ini")" "$game" "$(win "$work/racer.txt")" 3 - -width 1024 "two words"
check "the game's exit status comes through" test "$rc" = 3
check "its new clocks were tested first" grep -q "^testing 211 MHz core and 166 MHz memory" <<<"$out"
check "the game saw Direct3D vertical sync off" test "$(seen d3d-vsync racer.txt)" = 0
check "OpenGL FSAA 2x" test "$(seen gl-fsaa racer.txt)/$(seen gl-fsaa-quality racer.txt)" = 1/2
check "the overlay activated" test "$(seen overlay racer.txt)" = 3
check "and the board at 211 MHz" test "$(seen core-hz racer.txt)" = 211000000
check "it got its arguments as typed" grep -q ' -width 1024 "two words"$' <<<"$(seen command-line racer.txt)"
check "and ran in its own folder" test "$(seen folder racer.txt)" = "$(win "$(dirname "$game")")"
check "afterwards the registry is as before" test "$(registry)" = "$before"
check "the board back at 200 MHz" test "$(core_clock)" = "$(hz 200)"
check "nothing said" test -z "$err"
check "the log-on record was never touched" test "$(startup_clocks)" = 200/166

ctl run "$(win "$work/racer.ini")" "$game" "$(win "$work/again.txt")" 0 -
check "a pair that passed before is not tested again: the game saw it at once" \
    test "$rc:$out:$(seen core-hz again.txt)" = "0::211000000"

ctl run --yes "$(win "$work/fast.ini")" "$game" "$(win "$work/fast.txt")" 0 -
check "clocks that fail their test: status 4" test "$rc" = 4
check "and no game" test ! -e "$work/fast.txt"
ctl run --yes "$(win "$work/racer.ini")" "$(win "$work/MISSING.EXE")" 0 -
check "a missing program: status 1" test "$rc" = 1
check "naming it" grep -q "cannot find" <<<"$err"
check "nothing changed by either" test "$(registry)" = "$before"

# A program named by a path with a folder, from the current folder: a batch
# file there runs the game through the command interpreter, its arguments
# and a command line far longer than 1,023 characters whole.
mkdir "$work/games"
printf '@"%s" %%*\r\n' "$(win "$game")" >"$work/games/g.bat"
long="$(printf 'x%.0s' {1..1500})"
cd "$work"
ctl run "$(win "$work/racer.ini")" 'games\g.bat' "$(win "$work/bat.txt")" 5 - "two words" "$long"
cd - >/dev/null
check "a batch file in a folder below the current one runs, its status passed on" test "$rc" = 5
check "its game saw the run's settings" test "$(seen d3d-vsync bat.txt)/$(seen core-hz bat.txt)" = 0/211000000
check "with its arguments whole" grep -q " \"two words\" \"\?$long\"\?\$" <<<"$(seen command-line bat.txt)"
check "in the batch file's folder" test "$(seen folder bat.txt)" = "$(win "$work/games")"
check "afterwards all is back" test "$(registry)" = "$before"
# (A Windows program takes COMSPEC from Wine's registry: the interpreter
# that starts marovexctl sets it.)
wine cmd /c "set COMSPEC=C:\\nowhere\\cmd.exe& $(win "$ctl_exe") run $(win "$work/racer.ini") \
    $(win "$work/games/g.bat") $(win "$work/none.txt") 0 -" >/dev/null 2>"$work/none.err"
rc=$?
check "a batch file with no command interpreter to run it: status 1" test "$rc" = 1
check "saying why" grep -q "cannot start .*g.bat" "$work/none.err"
check "no game, and the settings it had back" test ! -e "$work/none.txt" -a "$(registry)" = "$before"

# A launcher that starts the game and ends at once: with --until the run
# waits for the game's image, whatever its letter case.
wine "$ctl_exe" run --until GAME_STANDIN.EXE --yes "$(win "$work/racer.ini")" "$game" --launch \
    "$(win "$work/child.txt")" 0 "$(win "$work/child.go")" >"$work/child.out" 2>"$work/child.err" </dev/null &
run_pid=$!
started+=("$run_pid")
wait_file "$work/child.txt"
sleep 2
check "the launcher has ended and the run waits for its game" running "$run_pid"
check "the game saw the run's settings" test "$(seen d3d-vsync child.txt)" = 0
check "which hold while the game runs" test "$(reg_value "$d3d" VSYNCENABLE)" = 0x0
touch "$work/child.go"
wait_gone "$run_pid" 10
check "the run ends within a poll of the game" not running "$run_pid"
wait "$run_pid"
check "with the launcher's status" test "$?" = 0
check "everything back after the game" test "$(registry)" = "$before"
check "nothing said" test ! -s "$work/child.err"

# During a game: status tells the run, a second run waits its turn, and the
# window changes a setting that is then kept.  (The window's OK writes the
# log-on record when the entry is on: it is off here.)
ctl set startup=off
before="$(registry)"
run_waiting window racer.ini
check "the game runs" running "$run_pid"
ctl status
check "status shows the run" grep -q "^run: .*game_standin.exe.* (holds core-clock, d3d-vsync, gl-fsaa, memory-clock, overlay)$" <<<"$out"
check "and the passed pair" grep -qx "passed-clocks: 211/166 MHz" <<<"$out"
ctl run "$(win "$work/racer.ini")" "$game" "$(win "$work/second.txt")" 0 -
check "a second run: status 6" test "$rc" = 6
check "and no second game" test ! -e "$work/second.txt"
kill -INT "$run_pid"
sleep 1
check "Ctrl+C does not end the wait" running "$run_pid"
launch
check "the window leaves a running game's settings alone" not answer 1 2
click_at 90 124                                 # Direct3D V-Sync: on again
click_at 506 228                                # OK
sleep 1
check "the window applies" test "$(reg_value "$d3d" VSYNCENABLE)" = 0x1
end_game window
check "the run ends with the game" not running "$run_pid"
check "naming the setting kept" grep -q "d3d-vsync was changed while .* ran; it is left as it is" "$work/window.err"
check "which stays as the window set it" test "$(reg_value "$d3d" VSYNCENABLE)" = 0x1
check "while the rest is back" test "$(reg_value "$gl" EnableFSAA)" = 0x0
check "and the board at 200 MHz" test "$(core_clock)" = "$(hz 200)"
stop_all

# marovexctl killed during a game: the window's next start puts it back.
ctl set d3d-vsync=on
run_waiting killed racer.ini
kill -9 "$run_pid"
wait "$run_pid" 2>/dev/null
touch "$work/killed.go"
check "killed, the run's settings stay" test "$(reg_value "$d3d" VSYNCENABLE)" = 0x0
started=()
start
check "the next start says so" answer 1 20
check "in an information box" test "$box_look" = "information: ok"
check "naming the game and what was put back" \
    grep -q "^The settings for .*game_standin.exe.* were not put back when it ended. They were put back now: core-clock, d3d-vsync, gl-fsaa, overlay.$" <<<"$box_text"
sleep 1
check "every setting is back" test "$(registry)" = "$before"
pass
