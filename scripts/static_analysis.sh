#!/usr/bin/env bash
# Static analysis: clang-tidy (checks in .clang-tidy) and cppcheck (suppressions in
# scripts/cppcheck-suppressions.txt) over the project's own sources, as the build at BUILD_DIR
# compiles them. Any finding of either tool fails the run.
#
#   scripts/static_analysis.sh BUILD_DIR
#
# BUILD_DIR is a configured build of this checkout (the build exports
# compile_commands.json); sources generated inside it, such as the embedded images, are not
# analysed. Needs clang-tidy 14 and cppcheck 2.10 (Debian 12: apt-get install clang-tidy
# cppcheck, which bring python3 with them); it installs nothing itself.
# Exit status: 0 clean, 1 findings, 2 bad usage or a missing tool.
set -euo pipefail

readonly PROGRAM="static_analysis.sh"

die() {
    echo "$PROGRAM: $*" >&2
    exit 2
}

if [[ $# -eq 1 && ( "$1" == "-h" || "$1" == "--help" ) ]]; then
    echo "usage: scripts/static_analysis.sh BUILD_DIR"
    exit 0
fi
if [[ $# -ne 1 ]]; then
    echo "usage: scripts/static_analysis.sh BUILD_DIR" >&2
    exit 2
fi

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
[[ -d "$1" ]] || die "$1 is not a directory (configure a build first: cmake -S . -B $1)"
BUILD="$(cd "$1" && pwd -P)"
DATABASE="$BUILD/compile_commands.json"
[[ -f "$DATABASE" ]] ||
    die "$DATABASE is missing (configure the build with cmake first; it exports the file)"
SUPPRESSIONS="$ROOT/scripts/cppcheck-suppressions.txt"
[[ -f "$SUPPRESSIONS" ]] || die "$SUPPRESSIONS is missing"

# The tools. clang-tidy-14 is the version the configuration is written for; a plain
# clang-tidy is taken when that is what is installed.
CLANG_TIDY=""
for candidate in clang-tidy-14 clang-tidy; do
    if command -v "$candidate" >/dev/null 2>&1; then
        CLANG_TIDY="$(command -v "$candidate")"
        break
    fi
done
CPPCHECK="$(command -v cppcheck 2>/dev/null || true)"
missing=()
[[ -n "$CLANG_TIDY" ]] || missing+=(clang-tidy)
[[ -n "$CPPCHECK" ]] || missing+=(cppcheck)
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "$PROGRAM: not installed: ${missing[*]}" >&2
    echo "$PROGRAM: on Debian 12 install them with: apt-get install ${missing[*]}" >&2
    exit 2
fi

command -v python3 >/dev/null 2>&1 ||
    die "python3 is missing (Debian 12: apt-get install python3; both tools depend on it)"

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

# The project's own translation units: every file the build compiles that lies in this
# checkout, less anything generated inside the build directory, each once. Both tools get
# this filtered copy of the compilation database.
mapfile -t SOURCES < <(python3 - "$DATABASE" "$ROOT" "$BUILD" "$WORK/compile_commands.json" <<'PYTHON'
import json
import os
import sys

database, root, build, out = sys.argv[1:]
def inside(path, folder):
    return os.path.commonpath([path, folder]) == folder
kept = {}
for entry in json.load(open(database)):
    path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
    if inside(path, root) and not inside(path, build) and os.path.isfile(path):
        entry["file"] = path
        kept.setdefault(path, entry)
json.dump(list(kept.values()), open(out, "w"), indent=1)
print("\n".join(sorted(kept)))
PYTHON
)
if [[ ${#SOURCES[@]} -eq 0 || -z "${SOURCES[0]}" ]]; then
    die "$DATABASE lists no source of $ROOT (was $BUILD configured from another checkout?)"
fi

JOBS="$(nproc 2>/dev/null || echo 2)"
# Headers are reported only when they are this checkout's own (system headers never are).
HEADER_FILTER="^$(printf '%s' "$ROOT" | sed 's/[][\.*^$+?(){}|]/\\&/g')/"

echo "== clang-tidy: $("$CLANG_TIDY" --version | sed -n 's/.*LLVM version /LLVM /p'), ${#SOURCES[@]} files, $JOBS at a time"
tidy_start=$SECONDS
# Each file's diagnostics go to WORK/tidy.HASH.out, its stderr to .err and "FILE STATUS" to
# .status.
export CLANG_TIDY HEADER_FILTER WORK
# shellcheck disable=SC2016  # the inner script expands its own variables
printf '%s\0' "${SOURCES[@]}" | xargs -0 -n 1 -P "$JOBS" bash -c '
    log="$WORK/tidy.$(printf "%s" "$1" | md5sum | cut -c1-16)"
    status=0
    "$CLANG_TIDY" -p "$WORK" --quiet --header-filter="$HEADER_FILTER" "$1" \
        >"$log.out" 2>"$log.err" || status=$?
    echo "$1 $status" >"$log.status"
' bash
shopt -s nullglob
status_files=("$WORK"/tidy.*.status)
[[ ${#status_files[@]} -eq ${#SOURCES[@]} ]] ||
    die "clang-tidy ran on ${#status_files[@]} of ${#SOURCES[@]} files"
tidy_failed=0
tidy_crashed=()
for status_file in "${status_files[@]}"; do
    read -r file status <"$status_file"
    if [[ "$status" -ne 0 ]]; then
        tidy_failed=1
        base="${status_file%.status}"
        # A non-zero status with no diagnostic means the tool itself failed.
        if ! grep -qE ': (warning|error): ' "$base.out" "$base.err"; then
            tidy_crashed+=("$file")
            sed 's/^/    /' "$base.err" >&2
        fi
    fi
done
# Diagnostics, each once however many files include the header it is in.
cat "$WORK"/tidy.*.out |
    grep -E '^[^ ].*:[0-9]+:[0-9]+: (warning|error): ' |
    sed 's/\[\([^]]*\),-warnings-as-errors\]$/[\1]/' | sort -u >"$WORK/tidy.findings" || true
tidy_count=$(wc -l <"$WORK/tidy.findings")
if [[ "$tidy_count" -gt 0 ]]; then
    # The full report, with the notes and source lines, then the one-line list.
    cat "$WORK"/tidy.*.out
    echo "-- clang-tidy findings:"
    sed "s|^$ROOT/||" "$WORK/tidy.findings"
fi
for file in "${tidy_crashed[@]}"; do
    echo "-- clang-tidy failed on ${file#"$ROOT"/} without a diagnostic (see above)"
done
if [[ "$tidy_count" -eq 0 && "$tidy_failed" -ne 0 && ${#tidy_crashed[@]} -eq 0 ]]; then
    echo "-- clang-tidy exited non-zero"
fi
tidy_seconds=$((SECONDS - tidy_start))

echo "== cppcheck: $("$CPPCHECK" --version)"
cppcheck_start=$SECONDS
cppcheck_status=0
# --library: the configurations of the libraries the sources use, so that their macros and
# functions are understood without their headers.
"$CPPCHECK" --project="$WORK/compile_commands.json" --std=c++20 \
    --enable=warning,performance,portability \
    --library=googletest --library=posix --library=sdl \
    --inline-suppr --suppressions-list="$SUPPRESSIONS" \
    -j "$JOBS" --quiet --error-exitcode=1 \
    --template='{file}:{line}:{column}: {severity}: {message} [{id}]' \
    >"$WORK/cppcheck.out" 2>&1 || cppcheck_status=$?
sed "s|^$ROOT/||" "$WORK/cppcheck.out" | grep -E '^[^ ].*: [a-z]+: .*\[[A-Za-z0-9_]+\]$' \
    >"$WORK/cppcheck.findings" || true
cppcheck_count=$(wc -l <"$WORK/cppcheck.findings")
if [[ "$cppcheck_count" -gt 0 ]]; then
    echo "-- cppcheck findings:"
    cat "$WORK/cppcheck.findings"
elif [[ "$cppcheck_status" -ne 0 ]]; then
    echo "-- cppcheck exited with status $cppcheck_status:"
    cat "$WORK/cppcheck.out"
fi
cppcheck_seconds=$((SECONDS - cppcheck_start))

echo "== summary"
printf '  clang-tidy  %3d finding(s) in %d files, %ds\n' "$tidy_count" "${#SOURCES[@]}" \
    "$tidy_seconds"
printf '  cppcheck    %3d finding(s), %ds\n' "$cppcheck_count" "$cppcheck_seconds"
if [[ "$tidy_count" -ne 0 || "$tidy_failed" -ne 0 || "$cppcheck_count" -ne 0 ||
    "$cppcheck_status" -ne 0 ]]; then
    echo "static analysis: FAILED"
    exit 1
fi
echo "static analysis: clean"
