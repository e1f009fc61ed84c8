# Shared by the Windows tests, which run the Windows build's programs under Wine; sourced, never
# run by itself. Each test makes a Wine prefix of its own in a temporary folder, keeps one
# wineserver running through it (so that each program starts in a fraction of a second, not
# the seconds a first start takes) and removes it all on the way out.
#
# A test is skipped (exit 77, one line) when no Windows build was handed to the Linux build
# (-DQUELLON_WINDOWS_BUILD=DIR, as ./test.sh does after ./windows.sh), or MinGW-w64 or Wine is
# not installed here.

WN_NAME="$(basename "$0" .sh)"
WN_PREFIX=""

wn_say() { printf '%s: %s\n' "$WN_NAME" "$*"; }
wn_fail() {
    printf '%s: FAIL: %s\n' "$WN_NAME" "$*" >&2
    exit 1
}
wn_skip() {
    printf '%s: SKIP: %s\n' "$WN_NAME" "$*"
    exit 77
}

wn_cleanup() {
    if [[ -n "$WN_PREFIX" && -d "$WN_PREFIX" ]]; then
        WINEPREFIX="$WN_PREFIX" wineserver -k >/dev/null 2>&1 || true
        WINEPREFIX="$WN_PREFIX" wineserver -w >/dev/null 2>&1 || true
        rm -rf "$WN_PREFIX"
    fi
}

# wn_check windows-build=DIR: skips or fails as said above (DIR empty: no build was given). Sets WN_BUILD, WN_QUELLON, WN_LAB and
# WN_PROBE (the .exe files).
wn_check() {
    [[ "$1" == windows-build=* ]] || wn_fail "expected windows-build=DIR, not \"$1\""
    WN_BUILD="${1#windows-build=}"
    [[ -n "$WN_BUILD" ]] ||
        wn_skip "no Windows build was given (./test.sh makes one with ./windows.sh and hands it over)"
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || wn_skip "MinGW-w64 is not installed"
    command -v wine >/dev/null && command -v wineserver >/dev/null || wn_skip "Wine is not installed"
    WN_QUELLON="$WN_BUILD/app/quellon.exe"
    WN_LAB="$WN_BUILD/lab/quellon-lab.exe"
    WN_PROBE="$WN_BUILD/tools/quellon-probe.exe"
    local exe
    for exe in "$WN_QUELLON" "$WN_LAB" "$WN_PROBE"; do
        [[ -f "$exe" ]] || wn_fail "the Windows build $WN_BUILD has no $(basename "$exe")"
    done
}

# wn_prefix: makes the prefix (with the display in force, if any: Wine's desktop process keeps
# the one it started with) and says how long Wine took to make it and start a first program.
wn_prefix() {
    WN_PREFIX="$(mktemp -d "${TMPDIR:-/tmp}/quellon-wine.XXXXXX")"
    export WINEPREFIX="$WN_PREFIX" WINEDEBUG=-all WINEARCH=win64
    # No Mono or Gecko installers for a prefix that needs neither .NET nor a browser engine.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    local start=$EPOCHREALTIME
    wineserver -p  # one server for the whole test, until wn_cleanup ends it
    wineboot --init >"$WN_PREFIX/wineboot.log" 2>&1 || {
        cat "$WN_PREFIX/wineboot.log" >&2
        wn_fail "wineboot could not make a Wine prefix"
    }
    wine "$WN_PROBE" --help >/dev/null 2>&1 || true  # the first program's start, off the clock
    wn_say "Wine's prefix made and first program run in $(wn_ms_since "$start") ms"
}

# wn_init windows-build=DIR: both.
wn_init() {
    wn_check "$1"
    trap wn_cleanup EXIT
    wn_prefix
}

wn_ms_since() {
    local now=${EPOCHREALTIME//[.,]/} then=${1//[.,]/}
    echo $(((10#$now - 10#$then) / 1000))
}

# wn_one_line WHAT STATUS STDERR_FILE EXPECTED_STATUS: a refusal is one line on stderr and
# the expected status.
wn_one_line() {
    local what="$1" status="$2" errors="$3" expected="$4" lines
    lines="$(wc -l <"$errors")"
    [[ $status -eq $expected ]] || wn_fail "$what: exit status $status, expected $expected"
    [[ $lines -eq 1 ]] || wn_fail "$what: $lines lines on stderr, expected one: $(head -c 300 "$errors")"
}
