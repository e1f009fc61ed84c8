#!/usr/bin/env bash
# Runs the unit tests under valgrind's memcheck: any invalid read or write, use of an
# uninitialised value, or block definitely or indirectly lost fails the run. The long soak
# (HeadlessSoak.Long) is left out, it would take an hour under valgrind; its short twin
# HeadlessSoak.Short drives the same frame loop through the same kinds of events.
#
#   scripts/valgrind.sh BUILD_DIR [GTEST_FILTER]
#
# BUILD_DIR is a build without the sanitizers (valgrind and AddressSanitizer do not mix),
# e.g. build/ from ./test.sh. GTEST_FILTER defaults to everything but the long soak.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 || "$1" == --help || "$1" == -h ]]; then
    echo "usage: $0 BUILD_DIR [GTEST_FILTER]" >&2
    exit 2
fi
build_dir="$1"
filter="${2:--HeadlessSoak.Long}"
tests="$build_dir/tests/quellon_tests"

if [[ ! -x "$tests" ]]; then
    echo "$0: no test binary at $tests (build first)" >&2
    exit 2
fi
if ! command -v valgrind >/dev/null; then
    echo "$0: valgrind is not installed (apt-get install valgrind)" >&2
    exit 2
fi
if nm -D "$tests" 2>/dev/null | grep '__asan_init' >/dev/null; then
    echo "$0: $tests is built with AddressSanitizer; valgrind needs a plain build" >&2
    exit 2
fi

# One log per process: the tests run the probe through the shell, and those run under
# memcheck too (a fault there fails the probe, so the test that ran it fails). The Python PNG
# reader some tests run on the probe's files is not ours to check, and is left untraced.
logs="$build_dir/valgrind"
rm -rf "$logs"
mkdir -p "$logs"
echo "valgrind memcheck: $tests --gtest_filter=$filter (logs in $logs/)"
start=$(date +%s)
status=0
valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
    --track-origins=yes --num-callers=30 --trace-children=yes \
    --trace-children-skip='*/python3*' --log-file="$logs/%p.log" \
    "$tests" --gtest_filter="$filter" --gtest_brief=1 || status=$?
elapsed=$(($(date +%s) - start))

# The test binary's own summary, then a count over every process.
main_log=$(grep -l -F "Command: $tests" "$logs"/*.log | head -n 1 || true)
if [[ -n "$main_log" ]]; then
    grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|still reachable|in use at exit|All heap blocks were freed' \
        "$main_log" | sed 's/^==[0-9]*== */  /' || true
fi
# A shell that hands over to the Python reader leaves a log that ends after its header: nothing
# ran under memcheck in that process.
handed_over=0
for log in "$logs"/*.log; do
    if grep -q '^==[0-9]*== Command: .*python3' "$log" && ! grep -q 'SUMMARY' "$log"; then
        rm "$log"
        handed_over=$((handed_over + 1))
    fi
done
processes=$(find "$logs" -name '*.log' | wc -l)
with_errors=$( (grep -L 'ERROR SUMMARY: 0 errors' "$logs"/*.log || true) | wc -l)
echo "  $processes processes checked, $with_errors with errors ($handed_over handed over to Python)"
if [[ $status -ne 0 || $with_errors -ne 0 ]]; then
    echo "valgrind memcheck FAILED (status $status) after ${elapsed}s; see $logs/" >&2
    (grep -L 'ERROR SUMMARY: 0 errors' "$logs"/*.log || true) | sed 's/^/  errors in /' >&2
    exit $((status != 0 ? status : 1))
fi
echo "valgrind memcheck passed in ${elapsed}s"
