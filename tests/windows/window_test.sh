#!/usr/bin/env bash
# quellon.exe and quellon-lab.exe in real windows under Wine on Xvfb, driven and looked at
# through X11 as the Linux window tests do (tests/window/lib.sh, xdrive): the client area is the
# Linux probe's frame pixel for pixel below the rate line, at the opening size and after a
# resize; held keys walk it as far as the Linux window walks; F11 and Alt+Enter go full screen
# and back; the icon is the carried texture; closing ends it with status 0. The lab's view is
# the probe's, and driven by pointer, wheel and keys it shows what the Linux lab shows.
#
#   window_test.sh windows-build=DIR LINUX_BUILD XDRIVE ICON.bmp
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine_lib.sh"
# Wine without a window manager waits a second for the X server to say a hidden window is
# withdrawn, and as long again at the process's end: an exit takes it about 2 s (Windows: none).
WT_EXIT_S=5
source "$(dirname "${BASH_SOURCE[0]}")/../window/lib.sh"

[[ $# -eq 4 ]] || { echo "usage: $0 windows-build=DIR LINUX_BUILD XDRIVE ICON.bmp" >&2; exit 2; }
wn_check "$1"
PROBE="$2/tools/quellon-probe"
LINUX_LAB="$2/lab/quellon-lab"
ICON="$4"
wt_init "$(command -v wine)" "$3"
# Both clean-ups, lib.sh's reading the status the test ends with (errexit off: the status is
# only handed on).
trap 'status=$?; wn_cleanup; set +e; (exit $status); wt_cleanup' EXIT
# lib.sh starts $WT_QUELLON: here a launcher of the .exe named by WN_RUN under Wine.
WT_QUELLON="$WT_WORK/launch"
printf '#!/bin/sh\nexec wine "$WN_RUN" "$@"\n' >"$WT_QUELLON"
chmod +x "$WT_QUELLON"
wt_start_xvfb
wn_prefix
start=$EPOCHREALTIME

# expect_frame SHOT WHAT X Y ANGLE W H [OPTION...]: the shot is the probe's frame, below the text.
expect_frame() {
    local shot="$1" what="$2" out
    shift 2
    "$PROBE" frame "${@:1:5}" "$WT_WORK/reference.bmp" "${@:6}"
    out="$("$WT_XDRIVE" compare "$shot" "$WT_WORK/reference.bmp" --ignore "${WT_TEXT_RECT[@]}" 2>&1)" ||
        fail "$what: the window differs from quellon-probe frame $*: $out"
    say "$what: the window is quellon-probe frame $* outside the text"
}

export WN_RUN="$WN_QUELLON"
launched=$EPOCHREALTIME
wt_start_app
say "quellon.exe showed its first frame $(wn_ms_since "$launched") ms after it was started"
wt_geometry_is 307 285
wt_drive icon "$WT_WID" "$WT_WORK/icon.bmp" >/dev/null
out="$("$WT_XDRIVE" compare "$WT_WORK/icon.bmp" "$ICON" 2>&1)" || fail "the window's icon is not $ICON: $out"
say "the client area is 307x285, the icon $ICON"
expect_frame "$WT_READY_SHOT" "at the start" 2.5 2.5 0 307 285

# Long enough to reach the wall at any sane frame rate; the player stops there.
wt_hold Up 3
sleep 0.3
expect_frame "$(wt_shot walked)" "after holding Up for 3 s" 2.5 11.979991 0 307 285
wt_drive resize "$WT_WID" 640 480 >/dev/null
sleep 0.5
wt_geometry_is 640 480
expect_frame "$(wt_shot resized)" "resized to 640x480" 2.5 11.979991 0 640 480

# Full screen and back, by F11 and by Alt+Enter; the view follows.
for keys in F11 "Alt_L Return"; do
    # shellcheck disable=SC2086
    wt_drive key "$WT_WID" down $keys >/dev/null
    # shellcheck disable=SC2086
    wt_drive key "$WT_WID" up $keys >/dev/null
    sleep 0.5
    wt_geometry_is "${WT_SCREEN[@]}"
    expect_frame "$(wt_shot full)" "full screen by $keys" 2.5 11.979991 0 "${WT_SCREEN[@]}"
    # shellcheck disable=SC2086
    wt_drive key "$WT_WID" down $keys >/dev/null
    # shellcheck disable=SC2086
    wt_drive key "$WT_WID" up $keys >/dev/null
    sleep 0.5
    wt_geometry_is 640 480
done
say "F11 and Alt+Enter put it on the whole screen and back to 640x480"

before="$(wt_shot before_turn)"
wt_hold Left 0.5
wt_hold comma 0.3
status=0
"$WT_XDRIVE" compare "$(wt_shot turned)" "$before" --ignore "${WT_TEXT_RECT[@]}" >/dev/null 2>&1 || status=$?
[[ $status -eq 1 ]] || fail "holding Left and comma left the picture unchanged"
say "Left and comma turn and step: the picture changed; the text reads \"$(wt_rate "$WT_WORK/turned.bmp") fps\""
wt_drive close "$WT_WID" >/dev/null
wt_expect_exit "WM_DELETE_WINDOW"

# The lab, quellon-lab.exe and then the Linux one on the same server, each driven alike: a click
# on its map paints a cell and S saves the maze, the wheel zooms the map and the pointer over the
# view picks a strip. The two windows must then show the same, and the two saved mazes be one.
# The panel's places are those tests/window/lab_test.sh uses.
# The map grows upward: ORIGIN_Y is the bottom edge of row 0.
readonly VIEW_W=307 VIEW_H=285 PANEL_W=352 SCALE=8 READOUT_H=$((8 * 11 + 8))
readonly ORIGIN_X=$((PANEL_W / 2 - 20)) ORIGIN_Y=$(((VIEW_H - READOUT_H) / 2 + 20))
WT_TITLE="Quellon Lab"
cd "$WT_WORK"  # the lab saves its maze in the folder it runs in
# lab_session NAME: runs the lab that WT_QUELLON starts; its saved maze and last shot are NAME.*.
lab_session() {
    wt_start_app
    wt_geometry_is $((VIEW_W + PANEL_W)) $VIEW_H
    wt_drive crop "$WT_READY_SHOT" 0 0 $VIEW_W $VIEW_H "$WT_WORK/$1.view.bmp" >/dev/null
    expect_frame "$WT_WORK/$1.view.bmp" "$1: the lab's view" 2.5 2.5 0 $VIEW_W $VIEW_H
    wt_drive click "$WT_WID" $((VIEW_W + ORIGIN_X + 2 * SCALE + SCALE / 2)) $((ORIGIN_Y - 6 * SCALE - SCALE / 2 - 1)) >/dev/null
    sleep 0.3
    wt_drive key "$WT_WID" down s >/dev/null
    wt_drive key "$WT_WID" up s >/dev/null
    wt_drive wheel "$WT_WID" $((VIEW_W + 100)) 100 2 >/dev/null
    wt_drive pointer "$WT_WID" 160 100 >/dev/null
    sleep 0.5
    [[ -f lab-level.txt ]] || fail "$1: pressing S saved no lab-level.txt"
    mv lab-level.txt "$1.level.txt"
    mv "$(wt_shot last)" "$WT_WORK/$1.last.bmp"
    wt_drive close "$WT_WID" >/dev/null
    wt_expect_exit "WM_DELETE_WINDOW"
}
export WN_RUN="$WN_LAB"
lab_session windows
row6="$(sed -n 7p windows.level.txt)"
[[ "${row6:5:1}" == 1 ]] || fail "row 6 of the saved grid is \"$row6\"; expected a wall of code 1 at column 2"
wt_drive crop "$WT_WORK/windows.last.bmp" 0 0 $VIEW_W $VIEW_H "$WT_WORK/painted.bmp" >/dev/null
expect_frame "$WT_WORK/painted.bmp" "after a click painted cell 2,6 and S saved the maze" \
    2.5 2.5 0 $VIEW_W $VIEW_H --level windows.level.txt
WT_QUELLON="$LINUX_LAB"
WT_EXIT_S=2
lab_session linux
cmp -s windows.level.txt linux.level.txt || fail "the two labs saved different mazes"
out="$("$WT_XDRIVE" compare "$WT_WORK/windows.last.bmp" "$WT_WORK/linux.last.bmp" --ignore "${WT_TEXT_RECT[@]}" 2>&1)" ||
    fail "after the same clicks, keys, wheel and pointer quellon-lab.exe's window differs from the Linux lab's: $out"
say "after the same clicks, keys, wheel and pointer the two labs show the same and saved the same maze"
say "PASS in $(wn_ms_since "$start") ms"
