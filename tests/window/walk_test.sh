#!/usr/bin/env bash
# Walking with real key events: holding Up walks the player 9.5 cells to the wall ahead,
# where the picture must match the reference taken from that pose; turning and stepping
# sideways afterwards must change the picture and leave the frame-rate line readable.
#
#   walk_test.sh QUELLON XDRIVE REFERENCE_AFTER_WALK.bmp
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[[ $# -eq 3 ]] || { echo "usage: $0 QUELLON XDRIVE REFERENCE_AFTER_WALK.bmp" >&2; exit 2; }
wt_init "$1" "$2"
REFERENCE="$3"
[[ -f "$REFERENCE" ]] || fail "reference \"$REFERENCE\" does not exist"

wt_start_xvfb
wt_start_app

# Long enough to reach the wall at any sane frame rate; the player stops there.
wt_hold Up 3
sleep 0.3
walked="$(wt_shot walked)"
out="$("$WT_XDRIVE" compare "$walked" "$REFERENCE" --ignore "${WT_TEXT_RECT[@]}" 2>&1)" ||
    fail "after holding Up for 3 s the picture is not the one at the wall ($REFERENCE): $out"
say "after holding Up for 3 s the picture matches $REFERENCE outside the text"

wt_hold Left 0.5
wt_hold comma 0.3
turned="$(wt_shot turned)"
status=0
out="$("$WT_XDRIVE" compare "$turned" "$walked" --ignore "${WT_TEXT_RECT[@]}" 2>&1)" || status=$?
case $status in
    0) fail "holding Left for 0.5 s and comma for 0.3 s left the picture unchanged" ;;
    1) ;;
    *) fail "xdrive compare: $out" ;;
esac
rate="$(wt_rate "$turned")"
say "after Left and comma the picture changed; the text reads \"$rate fps\""

wt_drive close "$WT_WID" >/dev/null
wt_expect_exit "WM_DELETE_WINDOW"
say "PASS"
