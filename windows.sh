#!/usr/bin/env bash
# Cross-builds Quellon for 64-bit Windows with MinGW-w64 into build-windows/, installing what is
# missing: quellon.exe, quellon-lab.exe and quellon-probe.exe, static, needing nothing beside
# them on Windows.
#   ./windows.sh            build the three programs
#   ./windows.sh --package  and the ZIP, build-windows/quellon-VERSION-windows-x64.zip
set -euo pipefail
QUELLON_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$QUELLON_ROOT/scripts/setup.sh"

package=0
case "${1:-}" in
    "") ;;
    --package) package=1 ;;
    -h | --help)
        echo "usage: $0 [--package]   build the Windows programs (and the ZIP) in build-windows/"
        exit 0
        ;;
    *) echo "usage: $0 [--package]" >&2; exit 2 ;;
esac

install_missing "${BUILD_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
dir="$QUELLON_ROOT/build-windows"
build "$dir" all -DCMAKE_TOOLCHAIN_FILE="$QUELLON_ROOT/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQUELLON_WERROR=ON
echo "The programs are in build-windows/:"
for program in app/quellon.exe lab/quellon-lab.exe tools/quellon-probe.exe; do
    printf '  %-24s %8d bytes\n' "$program" "$(stat -c %s "$dir/$program")"
done
if [[ $package -eq 1 ]]; then
    step "Packing the ZIP" "$dir/package.log" cmake -E chdir "$dir" cpack -G ZIP
    echo "The package: build-windows/$(cd "$dir" && ls quellon-*-windows-x64.zip)"
fi
