#!/usr/bin/env bash
# The resting wait keeps the pace of ticks: holds of Up in the program and in a build whose
# wait polls throughout, taken in turns in one run, each from a fresh start. The ticks a hold
# walked are found by matching the screen against the probe's walk up from the start, one
# picture per tick. The two builds' totals must agree, and the resting one must take less than
# half the processor time of the polling one at the opening size; the figures are printed.
# PACE_CPU_CHECK=off prints the processor times without judging them (the sanitizer build,
# where drawing a frame costs several times what the wait saves).
#
#   pace_test.sh QUELLON QUELLON_SPIN XDRIVE PROBE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[[ $# -eq 4 ]] || { echo "usage: $0 QUELLON QUELLON_SPIN XDRIVE PROBE" >&2; exit 2; }
wt_init "$1" "$3"
RESTING="$1"
SPINNING="$2"
PROBE="$4"
[[ -x "$SPINNING" ]] || fail "program \"$SPINNING\" is not an executable file"
[[ -x "$PROBE" ]] || fail "probe \"$PROBE\" is not an executable file"

readonly HOLDS_MS=(500 900)  # both short of the 237 ticks that take the player to the wall
readonly ROUNDS=3
# How far the resting build's ticks may be from the polling one's. Both run one tick per 6 ms
# pass; a pass that a busy machine delays by a millisecond more loses a tick in either.
readonly TOLERANCE_PERCENT=5
readonly CPU_SECONDS=5

# The player's y after each tick of Up, from the start at 2.5.
mapfile -t WALK_Y < <(yes '1 up' | head -n 240 | "$PROBE" walk | cut -d' ' -f2)
((${#WALK_Y[@]} == 240)) || fail "quellon-probe walk gave ${#WALK_Y[@]} poses, expected 240"

# ticks_walked SHOT GUESS: the ticks whose picture the shot shows, looked for from GUESS out.
ticks_walked() {
    local shot="$1" guess="$2" step ticks y reference
    for ((step = 0; step <= 2 * 240; step++)); do
        ticks=$((step % 2 == 0 ? guess + step / 2 : guess - (step + 1) / 2))
        ((ticks >= 0 && ticks <= 240)) || continue
        if ((ticks == 0)); then y=2.5; else y="${WALK_Y[ticks - 1]}"; fi
        reference="$WT_WORK/walk_$ticks.bmp"
        [[ -f "$reference" ]] || "$PROBE" frame 2.5 "$y" 0 307 285 "$reference"
        if "$WT_XDRIVE" compare "$shot" "$reference" --ignore "${WT_TEXT_RECT[@]}" >/dev/null 2>&1; then
            echo "$ticks"
            return 0
        fi
    done
    fail "the picture after the hold ($shot) is no picture of the walk up from the start"
}

cpu_ticks() { local stat; stat="$(cat "/proc/$WT_APP_PID/stat")"; stat="${stat##*) }"; awk '{print $12 + $13}' <<<"$stat"; }

wt_start_xvfb
declare -A total cpu_of
for build in resting spinning; do
    for hold in "${HOLDS_MS[@]}"; do total[$build.$hold]=0; done
done
for ((round = 1; round <= ROUNDS; round++)); do
    for hold in "${HOLDS_MS[@]}"; do
        for build in resting spinning; do
            WT_QUELLON="$([[ $build == resting ]] && echo "$RESTING" || echo "$SPINNING")"
            wt_start_app
            if ((round == 1 && hold == HOLDS_MS[0])); then
                before="$(cpu_ticks)"
                sleep "$CPU_SECONDS"
                cpu=$((($(cpu_ticks) - before) * 100 / $(getconf CLK_TCK) / CPU_SECONDS))
                say "the $build build takes $cpu % of a core at 307x285"
                cpu_of[$build]=$cpu
            fi
            wt_drive hold "$WT_WID" "$hold" Up >/dev/null
            sleep 0.3
            shot="$(wt_shot "$build.$hold.$round")"
            ticks="$(ticks_walked "$shot" $((hold / 6)))"
            rate="$(wt_rate "$shot")"
            say "round $round, $build: a hold of $hold ms walked $ticks ticks; the text reads \"$rate fps\""
            total[$build.$hold]=$((total[$build.$hold] + ticks))
            wt_drive close "$WT_WID" >/dev/null
            wt_expect_exit "WM_DELETE_WINDOW" >/dev/null
        done
    done
done

for hold in "${HOLDS_MS[@]}"; do
    resting=${total[resting.$hold]}
    spinning=${total[spinning.$hold]}
    say "holds of $hold ms, $ROUNDS each: resting $resting ticks, polling $spinning"
    ((spinning > 0)) || fail "the polling build walked no ticks in holds of $hold ms"
    off=$(((resting - spinning) * 100))
    ((off < 0)) && off=$((-off))
    ((off <= TOLERANCE_PERCENT * spinning)) ||
        fail "holds of $hold ms: the resting build walked $resting ticks, the polling one $spinning (more than $TOLERANCE_PERCENT % apart)"
done
# A wait that rests leaves the processor to others most of the time; one that polls never does.
if [[ "${PACE_CPU_CHECK:-on}" == off ]]; then
    say "processor times not judged in this build (PACE_CPU_CHECK=off)"
else
    ((2 * cpu_of[resting] < cpu_of[spinning])) ||
        fail "the resting build takes ${cpu_of[resting]} % of a core at 307x285, the polling one ${cpu_of[spinning]} %: expected less than half"
fi
say "PASS"
