#!/bin/bash
# Checks that Windows 98 SE and NT 4 can load each given PE file: OS and
# subsystem version at most 4.0, and imports only from the system's own DLLs
# (no runtime DLL that the static link should have taken in).
set -u
system_dlls=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll msvcrt.dll shlwapi.dll "
failures=0
for file in "$@"; do
    header="$(i686-w64-mingw32-objdump -p "$file")" || { echo "FAIL $file: unreadable"; failures=$((failures + 1)); continue; }
    for field in MajorOSystemVersion MajorSubsystemVersion; do
        major="$(awk -v f="$field" '$1 == f { print $2 }' <<<"$header")"
        minor="$(awk -v f="${field/Major/Minor}" '$1 == f { print $2 }' <<<"$header")"
        if [[ "$major" != 4 || "$minor" != 0 ]]; then
            echo "FAIL $file: $field is $major.$minor, not 4.0"
            failures=$((failures + 1))
        fi
    done
    while read -r dll; do
        if [[ "$system_dlls" != *" ${dll,,} "* ]]; then
            echo "FAIL $file: imports $dll"
            failures=$((failures + 1))
        fi
    done < <(awk '/DLL Name:/ { print $3 }' <<<"$header")
done
if ((failures)); then
    exit 1
fi
echo "OK: $# files loadable on Windows 98 SE and NT 4"
