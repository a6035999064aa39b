#!/bin/bash
# Checks that Windows 98 SE and NT 4 can load each given PE file: OS and
# subsystem version at most 4.0, imports only from the system's own DLLs
# (no runtime DLL that the static link should have taken in), no secure
# (*_s) or 64-bit (*64) C runtime functions, and, with --allow FILE, no
# import that the reviewed list in FILE does not hold.
#
#   check_old_windows.sh [--allow FILE] PE-FILE...
set -u
allow=""
if [[ "${1:-}" == --allow ]]; then
    allow="$2"
    shift 2
fi
system_dlls=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll msvcrt.dll shlwapi.dll "
failures=0
fail() {
    echo "FAIL $1"
    failures=$((failures + 1))
}
for file in "$@"; do
    header="$(i686-w64-mingw32-objdump -p "$file")" || { fail "$file: unreadable"; continue; }
    for field in MajorOSystemVersion MajorSubsystemVersion; do
        major="$(awk -v f="$field" '$1 == f { print $2 }' <<<"$header")"
        minor="$(awk -v f="${field/Major/Minor}" '$1 == f { print $2 }' <<<"$header")"
        [[ "$major" == 4 && "$minor" == 0 ]] || fail "$file: $field is $major.$minor, not 4.0"
    done
    while read -r dll; do
        [[ "$system_dlls" == *" ${dll,,} "* ]] || fail "$file: imports $dll"
    done < <(awk '/DLL Name:/ { print $3 }' <<<"$header")
    imports="$(awk -F'\t' '/^\tDLL Name:/ { split($2, a, " "); d = tolower(a[3]); next }
                           /^$/ { d = "" }
                           d != "" && $2 ~ /^[0-9a-f]+$/ { split($3, b, " "); print d "!" b[2] }' <<<"$header" | sort -u)"
    while read -r import; do
        [[ -z "$import" ]] && continue
        [[ "$import" == msvcrt.dll!*_s || "$import" == msvcrt.dll!*64 ]] && fail "$file: imports $import"
        if [[ -n "$allow" ]] && ! grep -qxF "$import" "$allow"; then
            fail "$file: $import is not in the reviewed list"
        fi
    done <<<"$imports"
done
((failures)) && exit 1
echo "OK: $# files loadable on Windows 98 SE and NT 4"
