#!/usr/bin/env bash
# The first screen in a real window: title, client size, icon, the frame-rate line, the picture
# (against a reference, or all black without one), and a clean exit on a window manager's
# close request and on SIGTERM.
#
#   first_screen_test.sh QUELLON XDRIVE ICON.bmp [REFERENCE.bmp]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[[ $# -eq 3 || $# -eq 4 ]] ||
    { echo "usage: $0 QUELLON XDRIVE ICON.bmp [REFERENCE.bmp]" >&2; exit 2; }
wt_init "$1" "$2"
ICON="$3"
REFERENCE="${4:-}"
[[ -f "$ICON" ]] || fail "icon \"$ICON\" does not exist"
[[ -z "$REFERENCE" || -f "$REFERENCE" ]] || fail "reference \"$REFERENCE\" does not exist"

wt_start_xvfb
wt_start_app

wt_geometry_is 307 285
say "client area is 307x285"

icon="$WT_WORK/icon.bmp"
wt_drive icon "$WT_WID" "$icon" >/dev/null
out="$("$WT_XDRIVE" compare "$icon" "$ICON" 2>&1)" || fail "the window's icon is not $ICON: $out"
say "the window's icon is $ICON"

shot="$WT_READY_SHOT"  # the first shot that shows the frame-rate line
say "text at the top-left corner reads \"$(wt_text "$shot")\""

if [[ -n "$REFERENCE" ]]; then
    out="$("$WT_XDRIVE" compare "$shot" "$REFERENCE" --ignore "${WT_TEXT_RECT[@]}" 2>&1)" ||
        fail "first screen differs from $REFERENCE outside the text: $out"
    say "first screen matches $REFERENCE outside the text"
else
    black="$WT_WORK/black.bmp"
    "$WT_XDRIVE" blank 307 285 "$black"
    out="$("$WT_XDRIVE" compare "$shot" "$black" --ignore "${WT_TEXT_RECT[@]}" 2>&1)" ||
        fail "first screen is not black outside the text: $out"
    say "first screen is black outside the text"
fi

wt_drive close "$WT_WID" >/dev/null
wt_expect_exit "WM_DELETE_WINDOW"

wt_start_app
kill -TERM "$WT_APP_PID"
wt_expect_exit "SIGTERM"

say "PASS"
