#!/usr/bin/env bash
# Builds Quellon, installing what building and running it needs, and runs it. Only the
# program is built, in build/ as ./test.sh configures it; arguments are passed on to it.
set -euo pipefail
QUELLON_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$QUELLON_ROOT/scripts/setup.sh"

install_missing "${BUILD_PACKAGES[@]}"
build "$QUELLON_ROOT/build" quellon "${BUILD_OPTIONS[@]}"
quellon="$QUELLON_ROOT/build/app/quellon"
if [[ $# -eq 0 ]]; then
    echo
    "$quellon" --help
    echo
fi
exec "$quellon" "$@"
