#!/bin/bash
# The release as a user gets it: scripts/package's zip and checksum list,
# unpacked into a fresh Wine prefix with no build tree, both programs run
# from there with the emulated adapter.  On a machine whose Wine runs only
# 64-bit programs the zip is made of the 64-bit build the tests run.
source "$(dirname "$0")/lib.sh"
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
export WINEPREFIX="$work/prefix"
cleanup() {
    stop_all
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
cp -a "$root/build/wine-template-$WINE_ARCH" "$WINEPREFIX"

zip="$("$root/scripts/package" --tree "$WINE_ARCH" "$work/dist")"
check "the zip is made" test -f "$zip"
version="$(basename "$zip" .zip)"
version="${version#marovex-}"
check "it holds the two programs and README.TXT" \
    test "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = "MAROVEX.EXE MAROVEXCTL.EXE README.TXT "
installed="$WINEPREFIX/drive_c/Marovex"
unzip -q "$zip" -d "$installed"
check "the checksum list matches the zip" bash -c "cd '$work/dist' && sha256sum --quiet -c --ignore-missing marovex-$version.sha256"
check "and every file in it" bash -c "cd '$installed' && sha256sum --quiet -c --ignore-missing '$work/dist/marovex-$version.sha256'"
check "README.TXT is plain ASCII with CRLF line ends" \
    bash -c "LC_ALL=C grep -qP '[^\\x00-\\x7F]' '$installed/README.TXT' && exit 1; ! grep -q \$'[^\\r]\$' '$installed/README.TXT'"
for program in MAROVEX.EXE MAROVEXCTL.EXE; do
    check "$program carries its version" bash -c "strings -el '$installed/$program' | grep -A1 -x ProductVersion | grep -qx '$version'"
done

export MAROVEX_ADAPTER=emulated
exe="$installed/MAROVEX.EXE"
start
check "the window comes up from the unpacked folder" wait_window 30
sleep 1
check "540 by 275" main_visible
ctl_exe="$installed/MAROVEXCTL.EXE"
ctl status
check "marovexctl status answers" test "$rc" = 0
check "with the board's clocks" grep -qx "core-clock: 200 MHz" <<<"$out"
pass
