#!/usr/bin/env bash
# The lab in a real window: its view is the probe's frame of the same pose and size, its map is
# the probe's map moved to follow the player, a click on the map paints a cell, and then the
# view is the probe's frame of the painted grid that the lab saves. With WT_DEPTH=16 it runs on
# a 16-bit X server, where the window's pixels are two bytes each.
#
#   lab_test.sh QUELLON_LAB XDRIVE PROBE
set -euo pipefail
WT_TITLE="Quellon Lab"
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[[ $# -eq 3 ]] || { echo "usage: $0 QUELLON_LAB XDRIVE PROBE" >&2; exit 2; }
wt_init "$1" "$2"
PROBE="$3"
[[ -x "$PROBE" ]] || fail "probe \"$PROBE\" is not an executable file"

readonly VIEW_W=307 VIEW_H=285 PANEL_W=352 SCALE=8
# Where the lab puts the map: the player (2.5, 2.5) at the centre of the map area, which is
# the panel above its eight-line readout (11 pixels a line, 4 above and below). The map's y
# grows upward: ORIGIN_X is the left edge of column 0, ORIGIN_Y the bottom edge of row 0.
readonly READOUT_H=$((8 * 11 + 8))
readonly MAP_H=$((VIEW_H - READOUT_H)) ORIGIN_X=$((PANEL_W / 2 - 20)) ORIGIN_Y=$(((VIEW_H - READOUT_H) / 2 + 20))
readonly GRID_PX=$((64 * SCALE))  # the probe's map of the whole grid

wt_start_xvfb
cd "$WT_WORK"  # the lab saves its grid in the folder it runs in
wt_start_app
wt_geometry_is $((VIEW_W + PANEL_W)) "$VIEW_H"

# The strip under the pointer is picked: x 160 is strip 53.
wt_drive pointer "$WT_WID" 160 100 >/dev/null
sleep 0.3
shot="$(wt_shot first)"
"$PROBE" frame 2.5 2.5 0 $VIEW_W $VIEW_H "$WT_WORK/start.bmp"
wt_drive crop "$shot" 0 0 $VIEW_W $VIEW_H "$WT_WORK/first_view.bmp" >/dev/null
out="$("$WT_XDRIVE" compare "$WT_WORK/first_view.bmp" "$WT_WORK/start.bmp" --ignore "${WT_TEXT_RECT[@]}" "${WT_SAME[@]}" 2>&1)" ||
    fail "the lab's view differs from the probe's frame outside the text: $out"
say "the view matches quellon-probe frame 2.5 2.5 0 $VIEW_W $VIEW_H outside the text"

# The map shows what the probe's map of the same frame shows, from the grid's corner on.
"$PROBE" map 2.5 2.5 0 $VIEW_W $VIEW_H "$WT_WORK/map.bmp" --scale $SCALE --strip 53 >/dev/null
wt_drive crop "$shot" $((VIEW_W + ORIGIN_X)) 0 $((PANEL_W - ORIGIN_X)) $ORIGIN_Y \
    "$WT_WORK/lab_map.bmp" >/dev/null
wt_drive crop "$WT_WORK/map.bmp" 0 $((GRID_PX - ORIGIN_Y)) $((PANEL_W - ORIGIN_X)) $ORIGIN_Y \
    "$WT_WORK/probe_map.bmp" >/dev/null
out="$("$WT_XDRIVE" compare "$WT_WORK/lab_map.bmp" "$WT_WORK/probe_map.bmp" "${WT_SAME[@]}" 2>&1)" ||
    fail "the lab's map differs from quellon-probe map with strip 53: $out"
say "the map matches quellon-probe map ... --strip 53, moved to follow the player"

# Paint cell (2, 6), in front of the player, and save the grid.
wt_drive click "$WT_WID" $((VIEW_W + ORIGIN_X + 2 * SCALE + SCALE / 2)) $((ORIGIN_Y - 6 * SCALE - SCALE / 2 - 1)) >/dev/null
sleep 0.3
wt_drive key "$WT_WID" down s >/dev/null
wt_drive key "$WT_WID" up s >/dev/null
sleep 0.3
[[ -f lab-level.txt ]] || fail "pressing S saved no lab-level.txt"
row6="$(sed -n 7p lab-level.txt)"
[[ "${row6:5:1}" == 1 ]] || fail "row 6 of the saved grid is \"$row6\"; expected a wall of code 1 at column 2"
"$PROBE" frame 2.5 2.5 0 $VIEW_W $VIEW_H "$WT_WORK/painted_probe.bmp" --level lab-level.txt
shot="$(wt_shot painted)"
wt_drive crop "$shot" 0 0 $VIEW_W $VIEW_H "$WT_WORK/painted_view.bmp" >/dev/null
out="$("$WT_XDRIVE" compare "$WT_WORK/painted_view.bmp" "$WT_WORK/painted_probe.bmp" --ignore "${WT_TEXT_RECT[@]}" "${WT_SAME[@]}" 2>&1)" ||
    fail "after painting cell 2,6 the view differs from the probe's frame of the saved grid: $out"
status=0
"$WT_XDRIVE" compare "$WT_WORK/painted_view.bmp" "$WT_WORK/start.bmp" --ignore "${WT_TEXT_RECT[@]}" "${WT_SAME[@]}" >/dev/null 2>&1 || status=$?
[[ $status -eq 1 ]] || fail "painting cell 2,6 left the view unchanged"
say "after painting cell 2,6 the view matches quellon-probe frame --level of the saved grid"

# Resizing gives the room to the view; the panel keeps its width.
wt_drive resize "$WT_WID" 1000 600 >/dev/null
sleep 0.5
wt_geometry_is 1000 600
shot="$(wt_shot resized)"
wt_rate "$shot" >/dev/null

wt_drive close "$WT_WID" >/dev/null
wt_expect_exit "WM_DELETE_WINDOW"

# The saved maze opens again: the lab started on it shows it, and S saves it where it came from.
mv lab-level.txt painted.txt
wt_start_app --level painted.txt
wt_drive crop "$WT_READY_SHOT" 0 0 $VIEW_W $VIEW_H "$WT_WORK/reopened_view.bmp" >/dev/null
out="$("$WT_XDRIVE" compare "$WT_WORK/reopened_view.bmp" "$WT_WORK/painted_probe.bmp" --ignore "${WT_TEXT_RECT[@]}" "${WT_SAME[@]}" 2>&1)" ||
    fail "quellon-lab --level painted.txt differs from the probe's frame of that grid: $out"
rm painted.txt
wt_drive key "$WT_WID" down s >/dev/null
wt_drive key "$WT_WID" up s >/dev/null
sleep 0.3
[[ -f painted.txt && ! -f lab-level.txt ]] || fail "S did not save to the file the lab opened"
say "quellon-lab --level shows the saved maze, and S saves it back to that file"
wt_drive close "$WT_WID" >/dev/null
wt_expect_exit "WM_DELETE_WINDOW"

# One rule changed: the lab started with --what-if fisheye shows the probe's fisheye frame, and
# F brings back the exact picture. Then Space and ten N draw the probe's first ten strips.
# expect_view NAME WHAT PROBE_ARGS...: the view now is the probe's frame with those arguments.
expect_view() {
    local name="$1" what="$2" out
    shift 2
    "$PROBE" frame 2.5 2.5 0 $VIEW_W $VIEW_H "$WT_WORK/$name.probe.bmp" "$@"
    wt_drive crop "$(wt_shot "$name")" 0 0 $VIEW_W $VIEW_H "$WT_WORK/$name.view.bmp" >/dev/null
    out="$("$WT_XDRIVE" compare "$WT_WORK/$name.view.bmp" "$WT_WORK/$name.probe.bmp" --ignore "${WT_TEXT_RECT[@]}" "${WT_SAME[@]}" 2>&1)" ||
        fail "$what: the view differs from quellon-probe frame ... $*: $out"
    say "$what: the view is quellon-probe frame 2.5 2.5 0 $VIEW_W $VIEW_H $*"
}
press() {
    wt_drive key "$WT_WID" down "$1" >/dev/null
    wt_drive key "$WT_WID" up "$1" >/dev/null
}
wt_start_app --what-if fisheye
expect_view fisheye "started with --what-if fisheye" --what-if fisheye
press f
sleep 0.3
expect_view exact "after F"
press space
for _ in 1 2 3 4 5 6 7 8 9 10; do
    press n
done
sleep 0.3
expect_view stepped "after Space and ten N" --until-strip 10
wt_drive close "$WT_WID" >/dev/null
wt_expect_exit "WM_DELETE_WINDOW"
say "PASS"
