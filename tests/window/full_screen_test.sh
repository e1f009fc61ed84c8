#!/usr/bin/env bash
# Full screen and back: F11 held long enough for the keyboard to repeat it puts the window on
# the whole screen once, the view (what a panel beside it leaves) then being the probe's frame
# at that size with the rate text still shown; Alt+Enter brings back the window's own size and
# its first picture. A window manager puts the window on the screen, as on any desktop. Run with
# WT_TITLE set for a program of another title (the lab).
#
#   full_screen_test.sh PROGRAM XDRIVE PROBE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[[ $# -eq 3 ]] || { echo "usage: $0 PROGRAM XDRIVE PROBE" >&2; exit 2; }
wt_init "$1" "$2"
PROBE="$3"
[[ -x "$PROBE" ]] || fail "probe \"$PROBE\" is not an executable file"

readonly VIEW_W=307 VIEW_H=285
readonly HOLD_MS=1500  # past the X server's delay before it repeats a held key

# compare_view NAME WIDTH HEIGHT: the view in a shot of the window against the probe's frame
# of the start at that size, outside the rate text, which must read "<digits> fps".
compare_view() {
    local name="$1" width="$2" height="$3" shot out
    shot="$(wt_shot "$name")"
    wt_rate "$shot" >/dev/null
    wt_drive crop "$shot" 0 0 "$width" "$height" "$WT_WORK/$name.view.bmp" >/dev/null
    "$PROBE" frame 2.5 2.5 0 "$width" "$height" "$WT_WORK/$name.probe.bmp"
    out="$("$WT_XDRIVE" compare "$WT_WORK/$name.view.bmp" "$WT_WORK/$name.probe.bmp" \
        --ignore "${WT_TEXT_RECT[@]}" 2>&1)" ||
        fail "$name: the view differs from quellon-probe frame 2.5 2.5 0 $width $height: $out"
}

wt_start_xvfb
wt_start_window_manager
wt_start_app
read -r width height <<<"$(wt_drive geometry "$WT_WID")"
panel=$((width - VIEW_W))
say "the window opens at ${width}x$height, the view $VIEW_W wide beside $panel of panel"

wt_drive hold "$WT_WID" "$HOLD_MS" F11 >/dev/null
sleep 0.5
wt_geometry_is "${WT_SCREEN[@]}"
compare_view full $((WT_SCREEN[0] - panel)) "${WT_SCREEN[1]}"
say "F11 held for $HOLD_MS ms: the window fills the ${WT_SCREEN[0]}x${WT_SCREEN[1]} screen and the view is the probe's frame at that size"

wt_drive key "$WT_WID" down Alt_L Return >/dev/null
wt_drive key "$WT_WID" up Return Alt_L >/dev/null
sleep 0.5
wt_geometry_is "$width" "$height"
compare_view back "$VIEW_W" "$VIEW_H"
say "Alt+Enter: the window is ${width}x$height again, with the first picture"

wt_drive close "$WT_WID" >/dev/null
wt_expect_exit "WM_DELETE_WINDOW"
say "PASS"
