# Shared by run.sh and test.sh: installs the Debian packages that are missing, then configures
# and builds, a line per step; a step's full output is shown only when it fails. Sourced, not
# run.

# What building and running the program needs, and what the tests need besides.
readonly BUILD_PACKAGES=(g++ cmake make pkg-config libsdl2-dev libx11-dev libxext-dev
    libx11-xcb-dev libxcb-shm0-dev zlib1g-dev libpng-dev)
readonly TEST_PACKAGES=(libgtest-dev libbenchmark-dev xvfb libx11-dev libxtst-dev libxdamage-dev
    xauth openbox imagemagick python3
    desktop-file-utils dpkg-dev groff-base lintian appstream)
# What building the web page needs (./web.sh), and what its test in a browser needs besides.
readonly WEB_PACKAGES=(cmake make emscripten python3)
readonly BROWSER_PACKAGES=(chromium nodejs)
# What the Windows build needs (./windows.sh): MinGW-w64's posix-threads g++ and windres, its
# zlib, python3 for the icon; BUILD_PACKAGES besides, for the icon maker built for this machine.
# Running it under Wine on Xvfb (the Windows tests) needs wine, wine64 and xvfb.
readonly WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
    libz-mingw-w64-dev python3)
readonly WINE_PACKAGES=(wine wine64 xvfb)

# step TEXT LOG COMMAND...: says TEXT, runs COMMAND with its output in LOG; on failure shows
# LOG and exits.
step() {
    local text="$1" log="$2"
    shift 2
    echo "$text"
    if ! "$@" >"$log" 2>&1; then
        echo "$text failed:" >&2
        cat "$log" >&2
        exit 1
    fi
}

# install_missing PACKAGE...: apt-get installs those not already installed (sudo if not root).
install_missing() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    if [[ ${#missing[@]} -eq 0 ]]; then
        return 0
    fi
    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo=(sudo)
    fi
    local log
    log="$(mktemp)"
    step "Updating the package lists" "$log" "${sudo[@]}" apt-get update -qq
    step "Installing ${missing[*]}" "$log" "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    rm -f "$log"
}

# The options build/ is configured with, by ./run.sh and ./test.sh alike, so that running one
# after the other rebuilds nothing that did not change.
readonly BUILD_OPTIONS=(-DCMAKE_BUILD_TYPE=Release -DQUELLON_WERROR=ON)

# build DIR TARGET [CMAKE OPTION...]: configures DIR from this checkout and builds TARGET
# (`all` for everything). The logs stay in DIR.
build() {
    local dir="$1" target="$2"
    shift 2
    mkdir -p "$dir"
    step "Configuring ${dir#"$QUELLON_ROOT"/}/" "$dir/configure.log" \
        cmake -S "$QUELLON_ROOT" -B "$dir" "$@"
    step "Building $target" "$dir/build.log" \
        cmake --build "$dir" --target "$target" --parallel "$(nproc)"
}
