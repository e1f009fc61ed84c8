#!/usr/bin/env bash
# The program's command line and its start without a display, run as a user runs them:
# --help and --version print and exit 0 without a display (so they cannot have needed a
# window), and any other argument is refused with one line on stderr and status 2. Without a
# display (none set, or one that no server answers) the program says so in one line and exits
# with status 1 within a second, instead of running unseen; a driver chosen by name through
# SDL_VIDEODRIVER is used as chosen.
#
#   command_line_test.sh PROGRAM XDRIVE VERSION
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[[ $# -eq 3 ]] || { echo "usage: $0 PROGRAM XDRIVE VERSION" >&2; exit 2; }
wt_init "$1" "$2"
VERSION="$3"
NAME="$(basename "$WT_QUELLON")"
mkdir -m 700 "$WT_WORK/runtime"

# run NAME [VAR=VALUE...] -- ARG...: runs the program with no window system in reach (no
# DISPLAY, no Wayland socket, no SDL driver chosen) unless the assignments give one; its
# output goes to $WT_WORK/NAME.out and .err. Sets RUN_STATUS and RUN_MS (the wall time taken).
# A program that has not ended after 10 s is killed and reported.
run() {
    local name="$1" assignments=()
    shift
    while [[ "$1" != "--" ]]; do
        assignments+=("$1")
        shift
    done
    shift
    local start
    start="$(now_ms)"
    RUN_STATUS=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER XDG_RUNTIME_DIR="$WT_WORK/runtime" \
        "${assignments[@]}" timeout 10 "$WT_QUELLON" "$@" \
        >"$WT_WORK/$name.out" 2>"$WT_WORK/$name.err" || RUN_STATUS=$?
    RUN_MS=$(($(now_ms) - start))
    [[ $RUN_STATUS -ne 124 ]] || fail "$name: the program still ran after 10 s"
}

# expect_one_line NAME PATTERN: stdout empty, stderr exactly one line matching PATTERN.
expect_one_line() {
    local name="$1" pattern="$2" lines
    [[ ! -s "$WT_WORK/$name.out" ]] || fail "$name: wrote to stdout: $(head -c 200 "$WT_WORK/$name.out")"
    lines="$(wc -l <"$WT_WORK/$name.err")"
    [[ $lines -eq 1 ]] || fail "$name: expected one line on stderr, got $lines: $(head -c 400 "$WT_WORK/$name.err")"
    [[ "$(cat "$WT_WORK/$name.err")" =~ $pattern ]] ||
        fail "$name: stderr reads \"$(cat "$WT_WORK/$name.err")\", expected a match of \"$pattern\""
}

run help -- --help
[[ $RUN_STATUS -eq 0 ]] || fail "--help exited with status $RUN_STATUS, expected 0"
[[ ! -s "$WT_WORK/help.err" ]] || fail "--help wrote to stderr: $(cat "$WT_WORK/help.err")"
for want in "$NAME: " "Keys:" "Up, Down" "Left, Right" "comma, period" "beep" \
    "usage: $NAME [--help | --version]" "--level FILE" "--textures DIR"; do
    grep -qF -- "$want" "$WT_WORK/help.out" || fail "--help does not say \"$want\""
done
say "--help prints the usage and the keys and exits 0 without a display"

run version -- --version
[[ $RUN_STATUS -eq 0 ]] || fail "--version exited with status $RUN_STATUS, expected 0"
[[ "$(cat "$WT_WORK/version.out")" == "$NAME $VERSION" ]] ||
    fail "--version printed \"$(cat "$WT_WORK/version.out")\", expected \"$NAME $VERSION\""
[[ ! -s "$WT_WORK/version.err" ]] || fail "--version wrote to stderr"
say "--version prints \"$NAME $VERSION\" and exits 0 without a display"

# expect_refused ARG...: status 2 and one line on stderr.
expect_refused() {
    run refused -- "$@"
    [[ $RUN_STATUS -eq 2 ]] || fail "arguments \"$*\" gave status $RUN_STATUS, expected 2"
    expect_one_line refused "^$NAME: [^ ]"
}
expect_refused --bogus
expect_refused -h
expect_refused maze.txt
expect_refused --help --version
expect_refused --version extra
expect_refused $'--x\nsecond line'
expect_refused --level
expect_refused --level "$WT_WORK/missing.txt"
say "other arguments are refused with one line on stderr and status 2"

# A broken maze is refused before any window opens: one line naming the file and where.
printf '00 2222\n' >"$WT_WORK/maze.txt"
run broken_maze -- --level "$WT_WORK/maze.txt"
[[ $RUN_STATUS -eq 2 ]] || fail "a broken --level file gave status $RUN_STATUS, expected 2"
expect_one_line broken_maze "^$NAME: $WT_WORK/maze.txt: line 1: row 00 has 4 cells, not 64\$"
say "a broken maze: \"$(cat "$WT_WORK/broken_maze.err")\", status 2, no window"

# expect_no_window NAME [VAR=VALUE...]: the program, run without arguments, gives up at once.
expect_no_window() {
    local name="$1"
    shift
    run "$name" "$@" --
    [[ $RUN_STATUS -eq 1 ]] || fail "$name: exited with status $RUN_STATUS, expected 1"
    ((RUN_MS < 1000)) || fail "$name: took $RUN_MS ms to give up, expected less than a second"
    expect_one_line "$name" "^$NAME: cannot open a window: [^ ]"
    say "$name: \"$(cat "$WT_WORK/$name.err")\", status 1 after $RUN_MS ms"
}
expect_no_window no_display
# A display number no server holds: no lock file and no socket for it.
number=171
while [[ -e "/tmp/.X$number-lock" || -e "/tmp/.X11-unix/X$number" ]]; do
    number=$((number + 1))
done
expect_no_window display_nowhere "DISPLAY=:$number"

# Chosen by name, the offscreen driver runs the program unseen until SIGTERM closes it.
env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen "$WT_QUELLON" \
    >"$WT_WORK/offscreen.log" 2>&1 &
WT_APP_PID=$!
WT_APP_LOG="$WT_WORK/offscreen.log"
sleep 1
wt_app_alive || fail "with SDL_VIDEODRIVER=offscreen the program ended instead of running"
kill -TERM "$WT_APP_PID"
wt_expect_exit "SIGTERM with SDL_VIDEODRIVER=offscreen"

say "PASS"
