#!/bin/bash
# The README's pictures in docs/ are what the program shows now: taken
# afresh and compared pixel for pixel.  After a change of the face, run
# scripts/screenshots and check the pictures in.
source "$(dirname "$0")/lib.sh"
docs="$(cd "$(dirname "$0")/../../docs" && pwd)"
fresh="$(mktemp -d)"
trap 'rm -rf "$fresh"' EXIT
bash "$(dirname "$0")/take_screenshots.sh" "$fresh" >/dev/null
for picture in main about focus clock-test; do
    check "docs/$picture.png is the program's" same_picture "$docs/$picture.png" "$fresh/$picture.png"
done
pass
