#!/usr/bin/env bash
# Builds Quellon and its tests, installing what is missing, and runs the whole test suite,
# the real-window tests under Xvfb included.
#   ./test.sh             the normal build, in build/
#   ./test.sh --sanitize  with AddressSanitizer and UndefinedBehaviorSanitizer, in build-sanitize/
set -euo pipefail
QUELLON_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$QUELLON_ROOT/scripts/setup.sh"

dir="$QUELLON_ROOT/build"
# Tests and benchmarks on: build/ is shared with ./run.sh, which turns them off.
options=(-DQUELLON_WERROR=ON -DQUELLON_BUILD_TESTS=ON -DQUELLON_BUILD_BENCH=ON)
case "${1:-}" in
    "") options+=(-DCMAKE_BUILD_TYPE=Release) ;;
    --sanitize)
        dir="$QUELLON_ROOT/build-sanitize"
        options+=(-DCMAKE_BUILD_TYPE=Debug -DQUELLON_SANITIZE=ON)
        ;;
    *) echo "usage: $0 [--sanitize]" >&2; exit 2 ;;
esac

install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
build "$dir" all "${options[@]}"
# The page's test in a browser runs when Emscripten and Chromium are here (.ci/run installs
# both; ./web.sh installs Emscripten); it needs the page built first.
if [[ -z "${1:-}" ]]; then
    if command -v emcmake >/dev/null && command -v chromium >/dev/null && command -v node >/dev/null; then
        "$QUELLON_ROOT/web.sh" --no-serve >/dev/null
        echo "Built the web page in build-web/site/"
    else
        echo "No Emscripten, Chromium or Node.js here: the test of the web page in a browser is skipped"
    fi
fi
cd "$dir"
ctest --output-on-failure --timeout 900 -j "$(nproc)"
