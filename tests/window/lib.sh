# Shared pieces of the real-window tests; sourced by each *_test.sh, never run by itself.
#
# Each test runs its own Xvfb (no window manager), starts the program on it, drives it with
# xdrive and kills whatever it started on the way out. Nothing here waits on the clock to judge
# the program's frame loop: the waits only give the program time or bound how long we wait for
# something to appear.

shopt -s inherit_errexit

WT_TITLE="${WT_TITLE:-Quellon}"  # a test of another program sets it before sourcing
readonly WT_TEXT_RECT=(0 0 70 11)  # where the frame-rate line may be: 10 cells of 7x11
# The X server's colour depth: 24 unless a test asks for another (WT_DEPTH=16). What comparing
# the screen with the probe's picture allows follows from it: nothing at 24 bits; at 16 bits
# each channel keeps only its top 5 or 6 bits, which costs up to 7 steps of 255.
WT_DEPTH="${WT_DEPTH:-24}"
case "$WT_DEPTH" in
    24) WT_SAME=() ;;
    16) WT_SAME=(--tolerance 8) ;;
    *) echo "lib.sh: WT_DEPTH must be 24 or 16, not \"$WT_DEPTH\"" >&2; exit 2 ;;
esac
readonly WT_SCREEN=(2048 1536)  # the X server's screen, width and height
WT_WORK=""
WT_XVFB_PID=""
WT_APP_PID=""
WT_APP_LOG=""
WT_WID=""
WT_NAME="$(basename "$0" .sh)"

say() { printf '%s: %s\n' "$WT_NAME" "$*"; }

fail() {
    printf '%s: FAIL: %s\n' "$WT_NAME" "$*" >&2
    if [[ -n "$WT_APP_LOG" && -s "$WT_APP_LOG" ]]; then
        printf '%s: last lines the program wrote:\n' "$WT_NAME" >&2
        tail -n 20 "$WT_APP_LOG" | sed 's/^/    /' >&2
    fi
    exit 1
}

# Kills what this script started, the program first, then the X server.
wt_cleanup() {
    local status=$?
    if [[ -n "$WT_APP_PID" ]] && kill -0 "$WT_APP_PID" 2>/dev/null; then
        kill -KILL "$WT_APP_PID" 2>/dev/null || true
        wait "$WT_APP_PID" 2>/dev/null || true
    fi
    if [[ -n "$WT_WM_PID" ]] && kill -0 "$WT_WM_PID" 2>/dev/null; then
        kill -TERM "$WT_WM_PID" 2>/dev/null || true
        wait "$WT_WM_PID" 2>/dev/null || true
    fi
    if [[ -n "$WT_XVFB_PID" ]] && kill -0 "$WT_XVFB_PID" 2>/dev/null; then
        kill -TERM "$WT_XVFB_PID" 2>/dev/null || true
        wait "$WT_XVFB_PID" 2>/dev/null || true
    fi
    if [[ -n "$WT_WORK" && -d "$WT_WORK" ]]; then
        if [[ $status -ne 0 && -n "${WT_KEEP_ON_FAILURE:-}" ]]; then
            printf '%s: kept %s\n' "$WT_NAME" "$WT_WORK" >&2
        else
            rm -rf "$WT_WORK"
        fi
    fi
    exit "$status"
}

# wt_init QUELLON XDRIVE: checks the binaries, makes a work folder, sets the trap.
wt_init() {
    WT_QUELLON="$1"
    WT_XDRIVE="$2"
    [[ -x "$WT_QUELLON" ]] || fail "program \"$WT_QUELLON\" is not an executable file"
    [[ -x "$WT_XDRIVE" ]] || fail "driver \"$WT_XDRIVE\" is not an executable file"
    command -v Xvfb >/dev/null || fail "Xvfb is not installed"
    WT_WORK="$(mktemp -d "${TMPDIR:-/tmp}/quellon-window.XXXXXX")"
    trap wt_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
}

# Starts Xvfb on a display number it picks itself (-displayfd), so tests can run side by side.
# -noreset: by default the server resets whenever its last client leaves (a closed program, an
# xdrive run: each is a client that comes and goes), and a program connecting meanwhile fails
# to open its window.
wt_start_xvfb() {
    local fdfile="$WT_WORK/display"
    : >"$fdfile"
    Xvfb -displayfd 3 -noreset -screen 0 "${WT_SCREEN[0]}x${WT_SCREEN[1]}x$WT_DEPTH" -nolisten tcp 3>"$fdfile" \
        >"$WT_WORK/xvfb.log" 2>&1 &
    WT_XVFB_PID=$!
    local i
    for ((i = 0; i < 100; i++)); do
        if [[ -s "$fdfile" ]] && grep -q '^[0-9][0-9]*$' "$fdfile"; then
            export DISPLAY=":$(head -n 1 "$fdfile")"
            say "Xvfb is on display $DISPLAY, $WT_DEPTH bits deep"
            return 0
        fi
        kill -0 "$WT_XVFB_PID" 2>/dev/null || break
        sleep 0.05
    done
    cat "$WT_WORK/xvfb.log" >&2 || true
    fail "Xvfb did not start"
}

now_ms() { echo $((10#${EPOCHREALTIME//[.,]/} / 1000)); }

# Starts a window manager on the X server, for the tests of what only a window manager does
# (putting a window on the whole screen): openbox, small and following the desktop's hints.
# Waits (5 s at most) until it has started.
wt_start_window_manager() {
    command -v openbox >/dev/null || fail "openbox is not installed (Debian: apt-get install openbox)"
    local ready="$WT_WORK/window-manager.ready"
    openbox --sm-disable --startup "touch $ready" >"$WT_WORK/openbox.log" 2>&1 &
    WT_WM_PID=$!
    local deadline=$(($(now_ms) + 5000))
    while [[ ! -e "$ready" ]] && (($(now_ms) < deadline)); do
        kill -0 "$WT_WM_PID" 2>/dev/null || { cat "$WT_WORK/openbox.log" >&2; fail "openbox did not start"; }
        sleep 0.05
    done
    [[ -e "$ready" ]] || fail "openbox did not start within 5 s"
    say "openbox manages the windows"
}
WT_WM_PID=""

# wt_start_app [ARG...]: starts the program with the arguments, its output going to a log, and
# waits (10 s at most) until a window titled "Quellon" shows "<digits> fps" at its top-left
# corner. Finding the title is not
# enough: SDL may destroy the first window it maps and make a new one when the renderer comes
# up, so only a window the program has drawn on is taken. Sets WT_WID and WT_READY_SHOT.
wt_start_app() {
    WT_APP_LOG="$WT_WORK/quellon.$((++WT_APP_RUNS)).log"
    "$WT_QUELLON" "$@" >"$WT_APP_LOG" 2>&1 &
    WT_APP_PID=$!
    local deadline=$(($(now_ms) + 10000)) wid="" text="" found=""
    WT_READY_SHOT="$WT_WORK/ready.$WT_APP_RUNS.bmp"
    while (($(now_ms) < deadline)); do
        if ! wt_app_alive; then
            local status=0
            wait "$WT_APP_PID" || status=$?
            WT_APP_PID=""
            fail "the program exited with status $status before showing its first frame"
        fi
        if wid="$("$WT_XDRIVE" find "$WT_TITLE" 200 2>/dev/null)"; then
            found="$wid"
            if "$WT_XDRIVE" shot "$wid" "$WT_READY_SHOT" 2>/dev/null &&
                text="$("$WT_XDRIVE" text "$WT_READY_SHOT" 2>&1)" &&
                [[ "$text" =~ ^[0-9]+\ fps$ ]]; then
                WT_WID="$wid"
                say "program runs as process $WT_APP_PID, window $WT_WID"
                return 0
            fi
        fi
        sleep 0.05
    done
    [[ -n "$found" ]] || fail "no window titled \"$WT_TITLE\" appeared within 10 s"
    fail "for 10 s the text at the top-left corner of window $found read \"$text\", expected \"<digits> fps\""
}
WT_APP_RUNS=0

wt_app_alive() {
    local stat
    [[ -n "$WT_APP_PID" ]] && stat="$(cat "/proc/$WT_APP_PID/stat" 2>/dev/null)" || return 1
    stat="${stat##*) }"  # past the command name, which may hold spaces
    [[ "${stat%% *}" != "Z" ]]
}

# wt_expect_exit WHAT: waits up to WT_EXIT_S seconds (2 unless a test sets it) for the program
# to end; it must end with status 0.
WT_EXIT_S="${WT_EXIT_S:-2}"
wt_expect_exit() {
    local what="$1" status=0 deadline=$(($(now_ms) + WT_EXIT_S * 1000))
    while wt_app_alive && (($(now_ms) < deadline)); do
        sleep 0.02
    done
    if wt_app_alive; then
        fail "the program still runs $WT_EXIT_S s after $what"
    fi
    wait "$WT_APP_PID" || status=$?
    WT_APP_PID=""
    [[ $status -eq 0 ]] || fail "after $what the program exited with status $status, expected 0"
    say "after $what the program exited with status 0 within $WT_EXIT_S s"
}

wt_drive() {
    local out
    if ! out="$("$WT_XDRIVE" "$@" 2>&1)"; then
        if [[ -n "$WT_APP_PID" ]] && ! wt_app_alive; then
            fail "the program died (found out by xdrive $*: $out)"
        fi
        fail "xdrive $*: $out"
    fi
    printf '%s' "$out"
}

# wt_shot NAME: screenshot of the window into $WT_WORK/NAME.bmp; prints the path.
wt_shot() {
    local path="$WT_WORK/$1.bmp"
    wt_drive shot "$WT_WID" "$path" >/dev/null
    printf '%s' "$path"
}

wt_text() { wt_drive text "$1"; }

# wt_rate SHOT: the frame rate the shot's text line shows; fails unless it reads "<digits> fps".
wt_rate() {
    local text
    text="$(wt_text "$1")"
    [[ "$text" =~ ^([0-9]+)\ fps$ ]] ||
        fail "text at the top-left corner reads \"$text\", expected \"<digits> fps\""
    printf '%s' "${BASH_REMATCH[1]}"
}

# wt_hold KEY SECONDS: holds a key down for that long.
wt_hold() {
    wt_drive key "$WT_WID" down "$1" >/dev/null
    sleep "$2"
    wt_drive key "$WT_WID" up "$1" >/dev/null
}

wt_geometry_is() {
    local want="$1 $2" got
    got="$(wt_drive geometry "$WT_WID")"
    [[ "$got" == "$want" ]] || fail "client area is \"$got\", expected \"$want\""
}
