#!/usr/bin/env bash
# The program as a desktop gets it: `cmake --install` into a temporary prefix must give exactly
# the expected tree (the programs, valid desktop entries, the icon at every size as a PNG of
# that size, the compressed manual pages, the licence and changelog, the AppStream metainfo),
# and `cpack -G DEB` must make a package that holds the same tree, but for the programs in
# /usr/games, owned by root, with the fields a Debian package needs and its library
# dependencies, about which lintian has no error and no warning. The checks by lintian and by
# appstreamcli are each skipped, with a line that says so, when the tool is missing.
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
for tool in cmake cpack dpkg-deb dpkg-shlibdeps dpkg-parsechangelog desktop-file-validate groff \
    python3; do
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

programs=(quellon quellon-lab quellon-probe)
metainfo=share/metainfo/invalid.quellon.quellon.metainfo.xml
# Everything but the programs: the same in the installed tree and in the package.
data=(share/applications/quellon.desktop share/applications/quellon-lab.desktop
    share/doc/quellon/changelog.gz share/doc/quellon/copyright "$metainfo")
for program in "${programs[@]}"; do
    data+=("share/man/man6/$program.6.gz")
done
for size in "${SIZES[@]}"; do
    data+=("share/icons/hicolor/${size}x${size}/apps/quellon.png")
done
expected=("${programs[@]/#/bin/}" "${data[@]}")
want="$(printf '%s\n' "${expected[@]}" | sort)"
got="$(cd "$PREFIX" && find . -type f -o -type l | sed 's|^\./||' | sort)"
[[ "$got" == "$want" ]] ||
    fail "the installed files are not the expected ones: $(differences "$want" "$got")"
for program in "${programs[@]}"; do
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
# By name, found on the PATH: ~/.local/bin, /usr/local/bin or the package's /usr/games.
for program in quellon quellon-lab; do
    grep -qx "Exec=$program" "$PREFIX/share/applications/$program.desktop" ||
        fail "$program.desktop does not run $program"
    grep -qx 'Icon=quellon' "$PREFIX/share/applications/$program.desktop" ||
        fail "$program.desktop does not name the quellon icon"
done
say "the desktop entries pass desktop-file-validate silently; quellon's is in Game;" \
    "each runs its program"

for size in "${SIZES[@]}"; do
    icon="$PREFIX/share/icons/hicolor/${size}x${size}/apps/quellon.png"
    dims="$(python3 "$HERE/png_decode.py" --size "$icon" 2>&1)" || fail "icon $size: $dims"
    [[ "$dims" == "$size $size" ]] || fail "icon ${size}x$size is $dims"
done
say "icons ${SIZES[*]}: each a PNG that decodes, of its size"

# Each manual page: compressed, for this version, formatting without a warning, and naming every
# option its program's --help names.
for program in "${programs[@]}"; do
    page="$PREFIX/share/man/man6/$program.6.gz"
    gzip -t "$page" || fail "$program(6) is not a valid gzip file"
    title="${program^^}"
    [[ "$(gzip -dc "$page" | head -n 1)" == \
        ".TH ${title//-/\\-} 6 \"\" \"Quellon $VERSION\" \"Games\"" ]] ||
        fail "$program(6) does not start with its title line for version $VERSION"
    out="$(gzip -dc "$page" | groff -man -Tutf8 -ww -z 2>&1)" || fail "groff failed: $out"
    [[ -z "$out" ]] || fail "groff warns about $program(6): $out"
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS"; do
        gzip -dc "$page" | grep -qx ".SH \"*$section\"*" || fail "$program(6) has no $section"
    done
    for option in $("$PREFIX/bin/$program" --help | grep -oE -- '--[a-z]+' | sort -u); do
        gzip -dc "$page" | grep -qF -- "${option//-/\\-}" ||
            fail "$program(6) does not name $option, which $program --help names"
    done
done
say "manual pages ${programs[*]/%/(6)}: compressed, version $VERSION, no groff warning," \
    "every option of --help"

doc="$PREFIX/share/doc/quellon"
[[ "$(head -n 1 "$doc/copyright")" == \
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ]] ||
    fail "share/doc/quellon/copyright is not in the machine-readable form"
grep -qx 'License: Expat' "$doc/copyright" || fail "the copyright file's licence is not Expat"
gzip -dc "$doc/changelog.gz" >"$WORK/changelog" || fail "changelog.gz is not a valid gzip file"
changelog_version="$(dpkg-parsechangelog -l "$WORK/changelog" -S Version 2>&1)" ||
    fail "dpkg-parsechangelog cannot read the changelog: $changelog_version"
[[ "$changelog_version" == "$VERSION" ]] ||
    fail "the changelog's newest entry is for $changelog_version, not $VERSION"
grep -q "<release version=\"$VERSION\" " "$PREFIX/$metainfo" ||
    fail "the metainfo has no release $VERSION"
say "copyright in the machine-readable form (Expat); changelog and metainfo for $VERSION"
if command -v appstreamcli >/dev/null; then
    out="$(appstreamcli validate --no-net "$PREFIX/$metainfo" 2>&1)" ||
        fail "appstreamcli validate rejects the metainfo: $out"
    say "appstreamcli validate --no-net accepts the metainfo"
else
    say "SKIP: appstreamcli is not installed: the metainfo is not validated"
fi

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

# The package's files are the installed tree under /usr, with the programs in games/ instead
# of bin/, byte for byte but for stripped executables, with root as the owner.
listing="$(dpkg-deb -c "$deb")"
if grep -v ' root/root ' <<<"$listing" | grep -q .; then
    fail "entries not owned by root/root: $(grep -v ' root/root ' <<<"$listing" | head -n 3)"
fi
packaged=("${programs[@]/#/games/}" "${data[@]}")
want="$(printf '%s\n' "${packaged[@]}" | sort)"
files="$(awk '$1 !~ /^d/ { sub(/^\.\/usr\//, "", $6); print $6 }' <<<"$listing" | sort)"
[[ "$files" == "$want" ]] ||
    fail "the package's files are not the expected ones: $(differences "$want" "$files")"
awk '$1 !~ /^d/ && $6 ~ /\/games\// && $1 != "-rwxr-xr-x" { exit 1 }' <<<"$listing" ||
    fail "programs in the package are not mode 0755"
quietly "$WORK/extract.log" dpkg-deb -x "$deb" "$WORK/extracted"
for file in "${data[@]}"; do
    cmp -s "$PREFIX/$file" "$WORK/extracted/usr/$file" ||
        fail "$file in the package differs from the installed one"
done
[[ "$("$WORK/extracted/usr/games/quellon" --version)" == "quellon $VERSION" ]] ||
    fail "the packaged quellon does not run"
say "dpkg-deb -c: the same ${#packaged[@]} files under /usr, programs in games/, owned by root," \
    "data files identical"

if command -v lintian >/dev/null; then
    # Exit status 2: it reports an error or a warning; any other but 0: it could not check.
    status=0
    out="$(lintian --fail-on error,warning "$deb" 2>&1)" || status=$?
    [[ $status -eq 0 || $status -eq 2 ]] || fail "lintian could not check the package: $out"
    problems="$(grep -E '^[EW]: ' <<<"$out" | tr '\n' ' ' || true)"
    [[ $status -eq 0 && -z "$problems" ]] || fail "lintian reports: ${problems:-$out}"
    say "lintian: no error and no warning"
else
    say "SKIP: lintian is not installed: the package is not checked by it"
fi
say "PASS"
