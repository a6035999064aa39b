#!/bin/bash
# The program under Wine reporting Windows 98 (the resource manager through
# the nvarch32.dll entry, the 9x adapter key) and Windows XP.
source "$(dirname "$0")/lib.sh"
export MAROVEX_ADAPTER=emulated
# The version the program is told must not outlive this test, however it ends.
trap "wine reg delete 'HKCU\\Software\\Wine\\AppDefaults\\marovex.exe' /f >/dev/null 2>&1" EXIT
for version in win98 winxp; do
    reset_board
    wine reg add 'HKCU\Software\Wine\AppDefaults\marovex.exe' /v Version /d "$version" /f >/dev/null
    start
    check "$version: the window appears" wait_window 30 || { describe_session; stop_all; continue; }
    sleep 1.5
    geometry "$(windows | head -1)"
    check "$version: 540 by 275" test "${WIDTH}x${HEIGHT}" = "540x275"
    if [[ $version == win98 ]]; then
        key='HKLM\System\CurrentControlSet\Services\Class\Display\0000\NVTweak\Hardware'
    else
        key='HKLM\SYSTEM\CurrentControlSet\Services\nv4\Device0\NVTweak\Hardware'
    fi
    check "$version: the baseline clocks recorded under the family's adapter key" \
        bash -c "wine reg query '$key' /v Bart | grep -q REG_DWORD"
    stop_all
done
pass
