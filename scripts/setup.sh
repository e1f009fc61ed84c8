# Shared by run.sh and test.sh: installs the Debian packages that are missing, then
# configures and builds. Sourced, not run.

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
    echo "Installing ${missing[*]}"
    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

readonly BUILD_PACKAGES=(g++ cmake make pkg-config libsdl2-dev zlib1g-dev libgtest-dev libbenchmark-dev)
readonly TEST_PACKAGES=(xvfb libx11-dev libxtst-dev xauth python3 desktop-file-utils dpkg-dev groff-base)

# build DIR [CMAKE OPTION...]: configures DIR from this checkout and builds everything.
build() {
    local dir="$1"
    shift
    cmake -S "$QUELLON_ROOT" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)"
}
