#!/usr/bin/env bash
# Builds the fuzz targets with Clang and runs each for a while from the checked-in seeds.
#
#   fuzz/run.sh BUILD_DIR SECONDS_PER_TARGET
#
# BUILD_DIR is a build folder of its own (e.g. build-fuzz): the project is configured there
# with clang++ (or $FUZZ_CXX) and QUELLON_FUZZ=ON, which builds the program's libraries with
# the fuzzer's coverage and the sanitizers and links the fuzz targets against them; no window
# backend, tests or benchmarks, so neither SDL2 nor GoogleTest is needed. The seeds are copied to a temporary folder first, so the corpus in the repository
# is never changed. Exits non-zero if the build fails or any target finds anything; the
# failing input is kept in BUILD_DIR/fuzz-findings/.
set -euo pipefail

if [[ $# -ne 2 || ! $2 =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 BUILD_DIR SECONDS_PER_TARGET" >&2
  exit 2
fi
build=$1
seconds=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)

cxx=${FUZZ_CXX:-}
if [[ -z $cxx ]]; then
  for candidate in clang++ clang++-14; do
    if command -v "$candidate" > /dev/null; then
      cxx=$candidate
      break
    fi
  done
fi
if [[ -z $cxx ]]; then
  echo "fuzz: no clang++ found (Debian: apt-get install clang libclang-rt-14-dev)" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [[ -f $build/CMakeCache.txt ]]; then
  configured=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
  fuzzing=$(sed -n 's/^QUELLON_FUZZ:BOOL=//p' "$build/CMakeCache.txt")
  if [[ $(cd "$configured" 2> /dev/null && pwd -P) != $(cd "$root" && pwd -P) || $fuzzing != ON ]]; then
    echo "fuzz: $build is configured for $configured; give the fuzz run a folder of its own" >&2
    exit 2
  fi
fi
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUELLON_FUZZ=ON \
  > "$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; exit 1; }
cmake --build "$build" --target quellon-fuzz -j"$(nproc)"
for target in bmp command walk-script walk level-text level-image maze-code; do
  if [[ ! -x $build/fuzz/quellon-fuzz-$target ]]; then
    echo "fuzz: $build/fuzz/quellon-fuzz-$target was not built (is $cxx Clang?)" >&2
    exit 1
  fi
done

findings=$build/fuzz-findings
mkdir -p "$findings"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

# target, seed folder, longest input, dictionary
targets=(
  "bmp         bmp          16384 -"
  "command     command      256   command.dict"
  "walk-script walk_script  2048  walk_script.dict"
  "walk        walk         1024  walk_script.dict"
  "level-text  level_text   8192  -"
  "level-image level_image  16384 -"
  "maze-code   maze_code    4096  -"
)
summary=()
failed=0
for line in "${targets[@]}"; do
  read -r target seeds maxLen dict <<< "$line"
  cp -r "$here/corpus/$seeds" "$work/$seeds"
  options=(-max_total_time="$seconds" -max_len="$maxLen" -timeout=10 -rss_limit_mb=2048
           -print_final_stats=1 -artifact_prefix="$findings/$target-")
  if [[ $dict != - ]]; then
    options+=(-dict="$here/dict/$dict")
  fi
  log=$work/$target.log
  echo "fuzz: quellon-fuzz-$target for $seconds s"
  status=0
  "$build/fuzz/quellon-fuzz-$target" "${options[@]}" "$work/$seeds" > "$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [[ -z $execs ]]; then
    execs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
  fi
  if [[ $status -ne 0 ]]; then
    failed=1
    summary+=("$(printf '%-12s %12s executions  FOUND A FAULT (exit %d)' "$target" "${execs:-?}" "$status")")
    echo "fuzz: quellon-fuzz-$target found a fault; the end of its log:" >&2
    tail -n 60 "$log" >&2
  else
    summary+=("$(printf '%-12s %12s executions  ok' "$target" "${execs:-?}")")
  fi
done

echo
echo "fuzz: executions per target ($seconds s each)"
printf '  %s\n' "${summary[@]}"
if [[ $failed -ne 0 ]]; then
  echo "fuzz: failing inputs are in $findings/ (run a target on one to see it again)" >&2
  exit 1
fi
