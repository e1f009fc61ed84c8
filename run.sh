#!/usr/bin/env bash
# Builds Quellon, installing what is missing, and runs it.
set -euo pipefail
QUELLON_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$QUELLON_ROOT/scripts/setup.sh"

install_missing "${BUILD_PACKAGES[@]}"
build "$QUELLON_ROOT/build" -DCMAKE_BUILD_TYPE=Release
exec "$QUELLON_ROOT/build/app/quellon"
