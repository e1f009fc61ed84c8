#!/usr/bin/env bash
# The Windows build's command lines under Wine, against the Linux build's: quellon-probe.exe
# prints and writes what the Linux probe does (cast, walk and BMP frames byte for byte, PNG
# frames and maps pixel for pixel) over the golden cases and poses besides; --level with a grid
# under a name that is not ASCII and with a level image, --textures with PNGs of every kind
# that WIC must read as the numbers written (palette, 16 bits, interlaced, a gAMA chunk); bad
# input to each program gets one line and status 2; quellon.exe without a display says so.
#
#   probe_test.sh windows-build=DIR LINUX_BUILD SOURCE_DIR
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine_lib.sh"

[[ $# -eq 3 ]] || { echo "usage: $0 windows-build=DIR LINUX_BUILD SOURCE_DIR" >&2; exit 2; }
wn_init "$1"
LINUX="$2"
SOURCE="$3"
PROBE="$LINUX/tools/quellon-probe"
GOLDEN="$SOURCE/tests/golden"
WORK="$WN_PREFIX/work"
mkdir -p "$WORK"
cd "$WORK"  # Wine maps it to a drive; the programs are given paths relative to it
start=$EPOCHREALTIME

# same NAME ARGS...: both probes, reading the file $INPUT (if set), the same stdout, byte for
# byte, and status 0.
same() {
    local name="$1"
    shift
    "$PROBE" "$@" <"${INPUT:-/dev/null}" >"$name.linux" || wn_fail "the Linux probe failed: $*"
    wine "$WN_PROBE" "$@" <"${INPUT:-/dev/null}" >"$name.windows" ||
        wn_fail "quellon-probe.exe failed: $*"
    cmp -s "$name.linux" "$name.windows" ||
        wn_fail "quellon-probe.exe $* prints other bytes than the Linux probe: $(diff "$name.linux" "$name.windows" | head -n 3)"
}

# same_picture NAME.EXT COMMAND X Y ANGLE W H [OPTION...]: both probes draw it; BMPs must be the
# same bytes, PNGs the same pixels (WIC compresses in its own way). The Linux probe's is NAME.EXT.
same_picture() {
    local out="$1" command="$2"
    shift 2
    local pose=("${@:1:5}") options=("${@:6}")
    same "$out.stdout" "$command" "${pose[@]}" "$out" "${options[@]}"
    mv "$out" "linux.$out"
    wine "$WN_PROBE" "$command" "${pose[@]}" "$out" "${options[@]}" >/dev/null
    if [[ "$out" == *.png ]]; then
        python3 "$SOURCE/tests/png_decode.py" "linux.$out" >"linux.$out.ppm"
        python3 "$SOURCE/tests/png_decode.py" "$out" >"$out.ppm" ||
            wn_fail "quellon-probe.exe wrote a PNG that is not one: $*"
        cmp -s "linux.$out.ppm" "$out.ppm" ||
            wn_fail "quellon-probe.exe $command ${pose[*]} $out ${options[*]}: other pixels than the Linux probe's"
    else
        cmp -s "linux.$out" "$out" ||
            wn_fail "quellon-probe.exe $command ${pose[*]} $out ${options[*]}: other bytes than the Linux probe's"
    fi
    mv "linux.$out" "$out"
}

# Every golden pose, and some that are not there: odd sizes, headings off the whole degree, a
# pose on a grid line, rules changed.
count=0
while read -r name args; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    # shellcheck disable=SC2086
    same "$name" cast $args
    count=$((count + 1))
done < <(cat "$GOLDEN/cast_cases.txt" - <<'POSES'
extra_a 9.5 16.5 250 307 285
extra_b 61.25 40.75 89.5 333 222
extra_c 17 23 45 64 48 --what-if fov=45,strip=2
extra_d 40.5 33.5 359.99 1280 720 --what-if exact-angles,plain-walls
POSES
)
wn_say "cast: $count poses print the same bytes as the Linux probe"
INPUT="$GOLDEN/walk_tour.script" same walk_tour walk
INPUT="$GOLDEN/walk_tour.script" same walk_from walk 30.5 40.5 180
printf '40 up left\n25 period\n300 down comma\n7 right 190\n' >keys.script
INPUT=keys.script same walk_keys walk 12.5 17.5 40
wn_say "walk: three scripts end in the same poses"

same_picture start.bmp frame 2.5 2.5 0 307 285
same_picture hall.bmp frame 61.5 40.5 90 641 479 --what-if screen-rays
same_picture start.png frame 2.5 2.5 0 307 285
same_picture odd.png frame 9.5 16.5 250 123 77 --until-strip 20
same_picture map.png map 23.5 13.5 180 307 285 --scale 9 --around 28 --strip 40
wn_say "frame and map: BMPs the same bytes, PNGs (WIC's) the same pixels as the Linux probe's"

# A grid under a name that is not ASCII, with a cell painted in front of the start.
"$PROBE" maze-grid >grid.txt
sed '7s/^\(.. ..\)./\13/' grid.txt >"été.txt"
cmp -s grid.txt "été.txt" && wn_fail "could not paint a cell of the grid"
same_picture grid.bmp frame 2.5 2.5 0 307 285 --level "été.txt"
cmp -s grid.bmp start.bmp && wn_fail "--level été.txt drew the carried level"
same code maze-code --level "été.txt"
"$LINUX/tools/quellon-make-level" "été.txt" "niveau-été.png"
same_picture level.bmp frame 2.5 2.5 0 307 285 --level "niveau-été.png"
cmp -s level.bmp grid.bmp || wn_fail "--level niveau-été.png does not draw the grid it was made from"
wn_say "--level reads a grid and a level image named in UTF-8 as the Linux probe does"

# Walls of one's own in PNGs of every kind. IM writes a gAMA chunk of 0.45455 of its own; the
# gamma folder's gAMA says 1.0, which a reader that applied it would brighten visibly.
make_textures() {
    local folder="$1" format="$2"
    shift 2
    mkdir -p "$folder"
    for code in 1 2 3 4 5; do
        /usr/bin/convert "$SOURCE/assets/texture$code.bmp" "$@" "$format:$folder/texture$code.png"
    done
}
make_textures tex-rgb PNG24
make_textures tex-palette PNG8
make_textures tex-interlaced PNG24 -interlace PNG
make_textures tex-grey PNG24 -colorspace Gray -define png:color-type=0
# 16 bits a channel, each the 8-bit number written with a low byte of 0xFF: read right, that is
# the high byte (as libpng strips it); rounded as WIC's own conversion rounds, it is one more for
# half the numbers. In colour, and grey from the red channel.
mkdir -p tex-16bit tex-grey16 tex-gamma
for code in 1 2 3 4 5; do
    python3 "$SOURCE/tests/png_decode.py" "tex-rgb/texture$code.png" >"texture$code.ppm"
    python3 - "texture$code.ppm" "tex-16bit/texture$code.png" "tex-grey16/texture$code.png" <<'PY'
import struct, sys, zlib
ppm = open(sys.argv[1], "rb").read().split(b"\n", 3)
width, height = map(int, ppm[1].split())
pixels = ppm[3]
def png(path, colour_type, channels):
    rows = b""
    for y in range(height):
        rows += b"\0" + b"".join(bytes([v, 0xFF]) for x in range(width)
                                  for v in channels(pixels[(y * width + x) * 3:][:3]))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", width, height, 16, colour_type, 0, 0, 0)
    open(path, "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                           chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
png(sys.argv[2], 2, lambda rgb: rgb)
png(sys.argv[3], 0, lambda rgb: rgb[:1])
PY
done
for code in 1 2 3 4 5; do
    python3 - "tex-rgb/texture$code.png" "tex-gamma/texture$code.png" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
# Drop every colour chunk IM wrote, then say gAMA 1.0 right after IHDR (8 + 25 bytes).
out, at = data[:33], 33
while at < len(data):
    length = struct.unpack(">I", data[at:at + 4])[0]
    kind = data[at + 4:at + 8]
    if kind not in (b"gAMA", b"cHRM", b"sRGB", b"iCCP"):
        out += data[at:at + 12 + length]
    at += 12 + length
gama = b"gAMA" + struct.pack(">I", 100000)
chunk = struct.pack(">I", 4) + gama + struct.pack(">I", zlib.crc32(gama))
open(sys.argv[2], "wb").write(out[:33] + chunk + out[33:])
PY
done
for folder in tex-rgb tex-palette tex-16bit tex-grey16 tex-interlaced tex-grey tex-gamma; do
    same_picture "$folder.bmp" frame 2.5 2.5 0 307 285 --textures "$folder"
done
cmp -s tex-rgb.bmp start.bmp || wn_fail "PNG copies of the carried textures draw another picture"
cmp -s tex-16bit.bmp start.bmp || wn_fail "16-bit copies of the carried textures draw another picture"
cmp -s tex-grey.bmp start.bmp && wn_fail "grey textures drew the carried ones"
wn_say "--textures: palette, 16-bit, interlaced, grey and gAMA PNGs read as the Linux probe reads them"

# Refusals: one line and status 2, the same line as the Linux program's where no system text is
# in it; quellon.exe and quellon-lab.exe print the same help.
refuse() {
    local exe="$1" linux="$2"
    shift 2
    local status=0 linux_status=0
    wine "$exe" "$@" >/dev/null 2>refused.windows || status=$?
    wn_one_line "$(basename "$exe") $*" "$status" refused.windows 2
    if [[ -n "$linux" ]]; then
        "$linux" "$@" >/dev/null 2>refused.linux || linux_status=$?
        cmp -s refused.linux refused.windows ||
            wn_fail "$(basename "$exe") $* says \"$(cat refused.windows)\", the Linux one \"$(cat refused.linux)\""
    fi
}
refuse "$WN_PROBE" "$PROBE" bogus
refuse "$WN_PROBE" "$PROBE" cast 2.5 2.5
refuse "$WN_PROBE" "$PROBE" frame 2.5 2.5 0 307 285 out.gif
refuse "$WN_PROBE" "" frame 2.5 2.5 0 307 285 out.bmp --level "absent-ü.txt"
refuse "$WN_PROBE" "$PROBE" cast 2.5 2.5 0 --level grid.bmp
refuse "$WN_PROBE" "$PROBE" cast 2.5 2.5 0 --textures grid.txt
for program in quellon quellon-lab; do
    exe="$WN_QUELLON"
    linux="$LINUX/app/quellon"
    if [[ $program == quellon-lab ]]; then
        exe="$WN_LAB"
        linux="$LINUX/lab/quellon-lab"
    fi
    refuse "$exe" "$linux" --bogus
    refuse "$exe" "$linux" --level
    refuse "$exe" "" --level "absent-ü.txt"
    refuse "$exe" "$linux" --maze "not a code"
    "$linux" --help >help.linux
    wine "$exe" --help >help.windows
    cmp -s help.linux help.windows || wn_fail "$program.exe --help is not the Linux program's help"
    # No display: one line that says so, status 1.
    status=0
    env -u DISPLAY wine "$exe" >/dev/null 2>refused.windows || status=$?
    wn_one_line "$program.exe without DISPLAY" "$status" refused.windows 1
    grep -q "^$program: cannot open a window: no display (running under Wine, and DISPLAY is not set)$" refused.windows ||
        wn_fail "$program.exe without DISPLAY says: $(cat refused.windows)"
done
wn_say "bad input gets one line and status 2, no display one line and status 1"

# What the programs carry: Windows' own DLLs only, the version quellon --version says, and the
# icon the Linux build installs, the same PNG at each size.
version="$("$LINUX/app/quellon" --version)"
for exe in "$WN_QUELLON" "$WN_LAB" "$WN_PROBE"; do
    name="$(basename "$exe")"
    x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' >imports.txt
    others="$(grep -v -x -E 'kernel32|user32|gdi32|shell32|ole32|oleaut32|windowscodecs|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+' \
        < <(sed 's/\.dll$//' imports.txt) || true)"
    [[ -s imports.txt && -z "$others" ]] || wn_fail "$name imports $(tr '\n' ' ' <imports.txt)"
    x86_64-w64-mingw32-windres -i "$exe" -O rc -o resources.rc
    grep -q "VALUE \"ProductVersion\", \"${version#quellon }\"" resources.rc ||
        wn_fail "$name's version information does not say ${version#quellon }"
    grep -q 'RT_GROUP_ICON' resources.rc || wn_fail "$name carries no icon"
done
python3 - "$WN_BUILD/windows/quellon.ico" "$LINUX/desktop/icons" <<'PY'
import struct, sys
ico = open(sys.argv[1], "rb").read()
sizes = []
for i in range(struct.unpack("<H", ico[4:6])[0]):
    side, _, _, _, _, _, length, at = struct.unpack("<BBBBHHII", ico[6 + 16 * i:22 + 16 * i])
    side = side or 256
    sizes.append(side)
    if ico[at:at + length] != open(f"{sys.argv[2]}/{side}x{side}/quellon.png", "rb").read():
        sys.exit(f"probe_test: FAIL: the .ico's {side}x{side} picture is not the Linux icon's")
print("probe_test: the programs import Windows' DLLs only and carry their version and the Linux"
      f" icons at {', '.join(map(str, sizes))} pixels")
PY
# The ZIP, when the Windows build was packed (./test.sh packs it): one folder, the six files.
zip="$(ls "$WN_BUILD"/quellon-*-windows-x64.zip 2>/dev/null | head -n 1 || true)"
if [[ -n "$zip" ]]; then
    folder="$(basename "$zip" .zip)"
    listed="$(python3 -c 'import sys, zipfile; print(" ".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$zip")"
    expected="$(printf "$folder/%s\n" LICENSE README-windows.txt README.md quellon-lab.exe quellon-probe.exe quellon.exe | sort | tr '\n' ' ')"
    [[ "$listed " == "$expected" ]] || wn_fail "$(basename "$zip") holds $listed"
    wn_say "$(basename "$zip") holds $folder/ with the three programs, README.md, LICENSE and README-windows.txt"
fi
wn_say "PASS in $(wn_ms_since "$start") ms"
