#!/usr/bin/env bash
# The frame rate the program prints, read off the screen at the starting size and after a
# resize to 1920x1080. Both must be positive numbers; the figures are printed for the record.
#
#   rate_test.sh QUELLON XDRIVE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[[ $# -eq 2 ]] || { echo "usage: $0 QUELLON XDRIVE" >&2; exit 2; }
wt_init "$1" "$2"

wt_start_xvfb
wt_start_app

# The line shows the frames of the last whole second; give it a few.
sleep 3
small="$(wt_rate "$(wt_shot small)")"
say "at 307x285 the text reads \"$small fps\""

wt_drive resize "$WT_WID" 1920 1080 >/dev/null
wt_geometry_is 1920 1080
sleep 3
large="$(wt_rate "$(wt_shot large)")"
say "at 1920x1080 the text reads \"$large fps\""

((10#$small > 0)) || fail "at 307x285 the program printed $small fps, expected more than 0"
((10#$large > 0)) || fail "at 1920x1080 the program printed $large fps, expected more than 0"

wt_drive close "$WT_WID" >/dev/null
wt_expect_exit "WM_DELETE_WINDOW"
echo "rate 307x285: $small fps; rate 1920x1080: $large fps"
say "PASS"
