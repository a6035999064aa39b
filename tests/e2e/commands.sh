#!/bin/bash
# Settings changed with the real mouse: OK writes them and hides the window
# in the tray; Cancel writes nothing and puts the buttons back.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
d3d='HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0\Direct3D'
gl='HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0\OpenGL'

# Pixels of a rectangle of the screen, raw, for comparing two moments.
snap() {  # file, x, y, width, height (client coordinates)
    import -window root -crop "$4x$5+$(($2 + 1))+$(($3 + 1))" +repage "rgb:$1"
}

reset_board
launch
click_at 90 124    # Direct3D V-Sync: off
click_at 178 159   # OpenGL FSAA 1.5x: on
click_at 506 228   # OK
sleep 1
check "OK hides the window" not main_visible
check "Direct3D vertical sync written off" test "$(reg_value "$d3d" VSYNCENABLE)" = 0x0
check "OpenGL FSAA enabled" test "$(reg_value "$gl" EnableFSAA)" = 0x1
check "OpenGL FSAA quality 1.5x" test "$(reg_value "$gl" FSAAQuality)" = 0x0
stop_all

reset_board
launch
before=$(mktemp)
after=$(mktemp)
snap "$before" 60 110 170 90
click_at 90 124    # Direct3D V-Sync: off
click_at 178 159   # OpenGL FSAA 1.5x: on
snap "$after" 60 110 170 90
check "the clicks change the buttons" not cmp -s "$before" "$after"
click_at 506 251   # Cancel
sleep 1
check "Cancel hides the window" not main_visible
check "Cancel writes nothing" test -z "$(reg_value "$d3d" VSYNCENABLE)$(reg_value "$gl" EnableFSAA)"
wine "$helper" tray 515   # the tray icon double-clicked
sleep 1
check "the tray brings the window back" main_visible
xdotool mousemove 700 600
sleep 0.5
snap "$after" 60 110 170 90
check "the buttons are back as they were" eval 'main_visible && cmp -s "$before" "$after"'
stop_all

# A failed apply: the box with the driver's message and a full stop; the
# window stays, read again from the driver.
reset_board
wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /f >/dev/null 2>&1
launch
click_at 90 124    # Direct3D V-Sync: off
click_at 506 228   # OK
check "a failed apply says so" answer 1
check "in a stop box with OK" test "$box_look" = "stop: ok"
check "with the driver's message and a full stop" \
    test "$box_text" = "$(printf 'Configuration Error\n\nE5.6: Unable to remove the video clock settings from startup..')"
sleep 1
check "the window stays open" main_visible
check "the steps after the failed one were still written" test "$(reg_value "$d3d" VSYNCENABLE)" = 0x0
wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /f >/dev/null 2>&1
rm -f "$before" "$after"
pass
