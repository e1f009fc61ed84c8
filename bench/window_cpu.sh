#!/usr/bin/env bash
# The program in its window at three sizes, beside the floor of the refresh: for each size, a
# bare SDL window presenting its untouched surface as fast as it can (sdl-bare-present), then
# quellon resized to it. Refreshes a second are counted from outside, as the X server carried
# them out (X DAMAGE, xdrive damage); the CPU is quellon's own, read from /proc over the same
# seconds, in percent of one core. Prints one line per size; run on a quiet machine.
#
#   bench/window_cpu.sh BUILD_DIR [SECONDS]
set -euo pipefail
build="${1:?usage: $0 BUILD_DIR [SECONDS]}"
seconds="${2:-5}"
quellon="$build/app/quellon"
xdrive="$build/tests/window/xdrive"
bare="$build/tests/window/sdl-bare-present"
for program in "$quellon" "$xdrive" "$bare"; do
    [[ -x "$program" ]] || { echo "$0: $program is not built" >&2; exit 2; }
done
command -v Xvfb >/dev/null || { echo "$0: Xvfb is not installed" >&2; exit 2; }

work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -noreset -screen 0 4000x2500x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.05; done
export DISPLAY=":$(head -n 1 "$work/display")"

# find TITLE: the window's id, once it is on screen.
find() {
    local wid
    for _ in $(seq 100); do
        if wid="$("$xdrive" find "$1" 200 2>/dev/null)"; then echo "$wid"; return 0; fi
        sleep 0.05
    done
    echo "$0: no window \"$1\"" >&2
    exit 1
}
cpu_ticks() { local stat; stat="$(cat "/proc/$1/stat")"; stat="${stat##*) }"; awk '{print $12 + $13}' <<<"$stat"; }

printf '%-10s %14s %18s %12s\n' size "bare presents/s" "quellon refreshes/s" "quellon CPU"
for size in 307x285 1920x1080 3840x2160; do
    width="${size%x*}"
    height="${size#*x}"
    "$bare" "$width" "$height" $((seconds + 4)) >/dev/null &
    pids+=($!)
    sleep 1
    floor="$("$xdrive" damage "$(find 'Bare present')" "$seconds")"
    wait "${pids[-1]}" || true

    "$quellon" >/dev/null 2>&1 &
    pid=$!
    pids+=("$pid")
    wid="$(find Quellon)"
    "$xdrive" resize "$wid" "$width" "$height" >/dev/null
    sleep 1.5
    before="$(cpu_ticks "$pid")"
    rate="$("$xdrive" damage "$wid" "$seconds")"
    cpu=$((($(cpu_ticks "$pid") - before) * 100 / $(getconf CLK_TCK) / seconds))
    "$xdrive" close "$wid" >/dev/null
    wait "$pid" || true
    printf '%-10s %14s %18s %10s %%\n' "$size" "$floor" "$rate" "$cpu"
done
