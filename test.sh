#!/usr/bin/env bash
# Builds Quellon and its tests, installing what is missing, and runs the whole test suite,
# the real-window tests under Xvfb included.
#   ./test.sh             the normal build, in build/
#   ./test.sh --sanitize  with AddressSanitizer and UndefinedBehaviorSanitizer, in build-sanitize/
set -euo pipefail
QUELLON_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$QUELLON_ROOT/scripts/setup.sh"

dir="$QUELLON_ROOT/build"
options=("${BUILD_OPTIONS[@]}")
case "${1:-}" in
    "") ;;
    --sanitize)
        dir="$QUELLON_ROOT/build-sanitize"
        options=(-DCMAKE_BUILD_TYPE=Debug -DQUELLON_WERROR=ON -DQUELLON_SANITIZE=ON)
        ;;
    *) echo "usage: $0 [--sanitize]" >&2; exit 2 ;;
esac

install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
# The page's test in a browser runs when Emscripten and Chromium are here (.ci/run installs
# both; ./web.sh installs Emscripten); the page is built first and its folder handed to the
# tests.
if [[ -z "${1:-}" ]]; then
    if command -v emcmake >/dev/null && command -v chromium >/dev/null && command -v node >/dev/null; then
        "$QUELLON_ROOT/web.sh" --no-serve >/dev/null
        echo "Built the web page in build-web/site/"
        options+=("-DQUELLON_WEB_SITE=$QUELLON_ROOT/build-web/site")
    else
        echo "No Emscripten, Chromium or Node.js here: the test of the web page in a browser is skipped"
    fi
fi
# The Windows programs are built and tested under Wine when MinGW-w64 and Wine are here (.ci/run
# installs both), in the normal run: the sanitizers change nothing in them.
if [[ -z "${1:-}" ]]; then
    if command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then
        "$QUELLON_ROOT/windows.sh" --package >/dev/null
        echo "Built and packed the Windows programs in build-windows/"
        options+=("-DQUELLON_WINDOWS_BUILD=$QUELLON_ROOT/build-windows")
    else
        echo "No MinGW-w64 or Wine here: the tests of the Windows programs are skipped"
        options+=("-DQUELLON_WINDOWS_BUILD=")
    fi
fi
build "$dir" all "${options[@]}"
cd "$dir"
ctest --output-on-failure --timeout 900 -j "$(nproc)"
