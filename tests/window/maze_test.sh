#!/usr/bin/env bash
# A maze and walls of the user's own in the real window: quellon --level with a grid, with a
# level image and with the BMPs ImageMagick makes of it (its every header), and with --textures,
# shows the probe's frame of the same maze and walls.
#
#   maze_test.sh QUELLON XDRIVE PROBE MAKE_LEVEL ASSETS_DIR
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[[ $# -eq 5 ]] || { echo "usage: $0 QUELLON XDRIVE PROBE MAKE_LEVEL ASSETS_DIR" >&2; exit 2; }
wt_init "$1" "$2"
PROBE="$3"
MAKE_LEVEL="$4"
ASSETS="$5"

# A maze nobody drew: about one wall in five, of every code, in a closed ring, the player's
# cell open.
python3 - >"$WT_WORK/maze.txt" <<'PYTHON'
import random
random.seed(20261208)
for row in range(64):
    cells = [random.choice("12345") if random.random() < 0.2 or row in (0, 63) or column in (0, 63)
             else "." for column in range(64)]
    if row == 2:
        cells[2] = "."
    print("%02d %s" % (row, "".join(cells)))
PYTHON
"$MAKE_LEVEL" "$WT_WORK/maze.txt" "$WT_WORK/maze.png"
# Walls of our own: the carried textures, each on another code.
mkdir "$WT_WORK/walls"
for pair in 1:4 2:5 3:1 5:3; do
    cp "$ASSETS/texture${pair#*:}.bmp" "$WT_WORK/walls/texture${pair%:*}.bmp"
done

wt_start_xvfb
# expect_probe_frame WHAT ARG...: quellon started with the arguments shows the probe's frame
# of the start pose with the same arguments.
expect_probe_frame() {
    local what="$1" out
    shift
    wt_start_app "$@"
    "$PROBE" frame 2.5 2.5 0 307 285 "$WT_WORK/$what.bmp" "$@"
    out="$("$WT_XDRIVE" compare "$WT_READY_SHOT" "$WT_WORK/$what.bmp" --ignore "${WT_TEXT_RECT[@]}" 2>&1)" ||
        fail "quellon $* differs from the probe's frame: $out"
    wt_drive close "$WT_WID" >/dev/null
    wt_expect_exit "WM_DELETE_WINDOW"
    say "quellon $* shows the probe's frame of that maze"
}
expect_probe_frame grid --level "$WT_WORK/maze.txt"
expect_probe_frame image --level "$WT_WORK/maze.png"
expect_probe_frame walls --level "$WT_WORK/maze.txt" --textures "$WT_WORK/walls"
# The same level image as ImageMagick writes BMPs: its own default (a 124-byte header), the
# 40-byte kind, and 32 bits a pixel with bit fields.
if [[ -x /usr/bin/convert ]]; then
    /usr/bin/convert "$WT_WORK/maze.png" "$WT_WORK/magick.bmp"
    /usr/bin/convert "$WT_WORK/maze.png" "BMP3:$WT_WORK/magick3.bmp"
    /usr/bin/convert "$WT_WORK/maze.png" -alpha on "$WT_WORK/magick32.bmp"
    for bmp in magick magick3 magick32; do
        wt_start_app --level "$WT_WORK/$bmp.bmp"
        out="$("$WT_XDRIVE" compare "$WT_READY_SHOT" "$WT_WORK/image.bmp" --ignore "${WT_TEXT_RECT[@]}" 2>&1)" ||
            fail "quellon --level $bmp.bmp (ImageMagick's) differs from the PNG's frame: $out"
        wt_drive close "$WT_WID" >/dev/null
        wt_expect_exit "WM_DELETE_WINDOW"
    done
    say "ImageMagick's BMPs of the level image show the same picture"
else
    say "no ImageMagick (/usr/bin/convert): its BMPs are not tried"
fi
status=0
"$WT_XDRIVE" compare "$WT_WORK/grid.bmp" "$WT_WORK/walls.bmp" >/dev/null 2>&1 || status=$?
[[ $status -eq 1 ]] || fail "the walls of our own left the picture as it was"
say "PASS"
