#!/usr/bin/env bash
# The program as a desktop gets it: `cmake --install` into a temporary prefix must give exactly
# the expected tree (the programs, a valid desktop entry, the icon at every size as a PNG of
# that size, the compressed manual page), and `cpack -G DEB` must make a package that holds the
# same tree, owned by root, with the fields a Debian package needs and its library dependencies.
#
#   install_test.sh BUILD_DIR VERSION ICON_SIZE...
#
# Exit status: 0 pass, 1 fail, 77 skipped (one line says which tool is missing), 2 bad usage.
set -euo pipefail
shopt -s inherit_errexit

NAME="install_test"
say() { printf '%s: %s\n' "$NAME" "$*"; }
fail() {
    printf '%s: FAIL: %s\n' "$NAME" "$*" >&2
    exit 1
}

[[ $# -ge 3 ]] || { echo "usage: $0 BUILD_DIR VERSION ICON_SIZE..." >&2; exit 2; }
BUILD="$1"
VERSION="$2"
shift 2
SIZES=("$@")

missing=()
for tool in cmake cpack dpkg-deb dpkg-shlibdeps desktop-file-validate groff python3; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    say "SKIP: not installed: ${missing[*]} (./test.sh installs them)"
    exit 77
fi

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
WORK="$(mktemp -d "${TMPDIR:-/tmp}/quellon-install.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

# quietly LOG COMMAND...: runs the command with its output in LOG, shown only if it fails.
quietly() {
    local log="$1"
    shift
    "$@" >"$log" 2>&1 || { cat "$log" >&2; fail "$* failed"; }
}

# differences WANT GOT: what the sorted list GOT lacks of WANT and has beyond it, on one line.
differences() {
    local missing unexpected
    missing="$(comm -23 <(echo "$1") <(echo "$2") | tr '\n' ' ')"
    unexpected="$(comm -13 <(echo "$1") <(echo "$2") | tr '\n' ' ')"
    printf 'missing: %s; unexpected: %s' "${missing:-none}" "${unexpected:-none}"
}

# --- cmake --install ---------------------------------------------------------------------------
PREFIX="$WORK/prefix"
quietly "$WORK/install.log" cmake --install "$BUILD" --prefix "$PREFIX"

expected=(bin/quellon bin/quellon-lab bin/quellon-probe share/applications/quellon.desktop
    share/applications/quellon-lab.desktop share/man/man6/quellon.6.gz)
for size in "${SIZES[@]}"; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/quellon.png")
done
want="$(printf '%s\n' "${expected[@]}" | sort)"
got="$(cd "$PREFIX" && find . -type f -o -type l | sed 's|^\./||' | sort)"
[[ "$got" == "$want" ]] ||
    fail "the installed files are not the expected ones: $(differences "$want" "$got")"
for program in quellon quellon-lab quellon-probe; do
    [[ -x "$PREFIX/bin/$program" ]] || fail "bin/$program is not executable"
done
[[ "$("$PREFIX/bin/quellon" --version)" == "quellon $VERSION" ]] ||
    fail "the installed quellon --version does not print \"quellon $VERSION\""
say "cmake --install gives the ${#expected[@]} expected files; the installed quellon runs"

entry="$PREFIX/share/applications/quellon.desktop"
out="$(desktop-file-validate "$entry" "$PREFIX/share/applications/quellon-lab.desktop" 2>&1)" ||
    fail "desktop-file-validate failed: $out"
[[ -z "$out" ]] || fail "desktop-file-validate had something to say: $out"
grep -qE '^Categories=(.*;)?Game;' "$entry" || fail "the desktop entry's Categories lack Game"
grep -qx 'Exec=quellon' "$entry" || fail "the desktop entry does not run quellon"
grep -qx 'Icon=quellon' "$entry" || fail "the desktop entry does not name the quellon icon"
say "the desktop entry passes desktop-file-validate silently, in Game, running quellon"

for size in "${SIZES[@]}"; do
    icon="$PREFIX/share/icons/hicolor/${size}x${size}/apps/quellon.png"
    dims="$(python3 "$HERE/png_decode.py" --size "$icon" 2>&1)" || fail "icon $size: $dims"
    [[ "$dims" == "$size $size" ]] || fail "icon ${size}x$size is $dims"
done
say "icons ${SIZES[*]}: each a PNG that decodes, of its size"

page="$PREFIX/share/man/man6/quellon.6.gz"
gzip -t "$page" || fail "the manual page is not a valid gzip file"
[[ "$(gzip -dc "$page" | head -n 1)" == ".TH QUELLON 6 \"\" \"Quellon $VERSION\" \"Games\"" ]] ||
    fail "the manual page does not start with its title line for version $VERSION"
out="$(gzip -dc "$page" | groff -man -Tutf8 -ww -z 2>&1)" || fail "groff failed: $out"
[[ -z "$out" ]] || fail "groff warns about the manual page: $out"
for section in NAME SYNOPSIS KEYS OPTIONS "EXIT STATUS"; do
    gzip -dc "$page" | grep -qx ".SH \"*$section\"*" || fail "the manual page has no $section"
done
say "the manual page is compressed, carries version $VERSION and formats without warnings"

# --- cpack -G DEB ------------------------------------------------------------------------------
quietly "$WORK/cpack.log" cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$WORK/package"
debs=("$WORK"/package/*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || fail "cpack made ${#debs[@]} packages, expected one"
deb="${debs[0]}"
arch="$(dpkg --print-architecture)"
[[ "$(basename "$deb")" == "quellon_${VERSION}_$arch.deb" ]] ||
    fail "the package is called $(basename "$deb"), expected quellon_${VERSION}_$arch.deb"
quietly "$WORK/info.log" dpkg-deb --info "$deb"

field() { dpkg-deb -f "$deb" "$1"; }
[[ "$(field Package)" == quellon ]] || fail "Package is \"$(field Package)\""
[[ "$(field Version)" == "$VERSION" ]] || fail "Version is \"$(field Version)\", expected $VERSION"
[[ "$(field Section)" == games ]] || fail "Section is \"$(field Section)\", expected games"
[[ "$(field Architecture)" == "$arch" ]] || fail "Architecture is \"$(field Architecture)\""
depends="$(field Depends)"
for library in libsdl2-2.0-0 libc6 libstdc++6 zlib1g; do
    [[ ", $depends," == *", $library ("* ]] ||
        fail "Depends lacks a versioned $library: \"$depends\""
done
description="$(field Description)"
[[ $(wc -l <<<"$description") -ge 3 ]] || fail "the Description has no long part"
if awk 'length > 80 { found = 1 } END { exit !found }' <<<"$description"; then
    fail "the Description has lines over 80 characters"
fi
say "fields: quellon $VERSION, $arch, games; Depends: $depends"

# The package's files are the installed tree, byte for byte but for stripped executables,
# with root as the owner.
listing="$(dpkg-deb -c "$deb")"
if grep -v ' root/root ' <<<"$listing" | grep -q .; then
    fail "entries not owned by root/root: $(grep -v ' root/root ' <<<"$listing" | head -n 3)"
fi
files="$(awk '$1 !~ /^d/ { sub(/^\.\/usr\//, "", $6); print $6 }' <<<"$listing" | sort)"
[[ "$files" == "$want" ]] ||
    fail "the package's files are not the installed ones: $(differences "$want" "$files")"
awk '$1 !~ /^d/ && $6 ~ /\/bin\// && $1 != "-rwxr-xr-x" { exit 1 }' <<<"$listing" ||
    fail "programs in the package are not mode 0755"
quietly "$WORK/extract.log" dpkg-deb -x "$deb" "$WORK/extracted"
for file in "${expected[@]}"; do
    [[ "$file" == bin/* ]] && continue
    cmp -s "$PREFIX/$file" "$WORK/extracted/usr/$file" ||
        fail "$file in the package differs from the installed one"
done
[[ "$("$WORK/extracted/usr/bin/quellon" --version)" == "quellon $VERSION" ]] ||
    fail "the packaged quellon does not run"
say "dpkg-deb -c: the same ${#expected[@]} files under /usr, owned by root, data files identical"
say "PASS"
