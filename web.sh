#!/usr/bin/env bash
# Builds the web page into build-web/site/, installing what is missing (Debian's emscripten),
# and serves it on http://127.0.0.1:8080/.
#   ./web.sh             build, then serve until Ctrl+C
#   ./web.sh --no-serve  build only
set -euo pipefail
QUELLON_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$QUELLON_ROOT/scripts/setup.sh"

readonly SITE="$QUELLON_ROOT/build-web/site"
readonly ADDRESS=127.0.0.1 PORT=8080
readonly PAKO_VERSION=2.1.0
serve=1
case "${1:-}" in
    "") ;;
    --no-serve) serve=0 ;;
    -h | --help)
        echo "usage: $0 [--no-serve]   build the page into build-web/site/ and serve it"
        exit 0
        ;;
    *) echo "usage: $0 [--no-serve]" >&2; exit 2 ;;
esac

install_missing "${WEB_PACKAGES[@]}"
command -v npm >/dev/null || install_missing npm
# Emscripten's optimiser needs Debian's acorn module, which a node from elsewhere does not
# look for on its own.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
dir="$QUELLON_ROOT/build-web"
mkdir -p "$dir"
# pako packs the page's links as zlib packs the desktop's; the page carries its own copy.
pako="$dir/npm/node_modules/pako/dist/pako_deflate.min.js"
if [[ ! -f "$pako" ]]; then
    step "Installing pako $PAKO_VERSION from the npm registry" "$dir/npm.log" \
        npm install --prefix "$dir/npm" --no-save --no-audit --no-fund "pako@$PAKO_VERSION"
fi
step "Configuring build-web/ with Emscripten" "$dir/configure.log" \
    emcmake cmake -S "$QUELLON_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release "-DQUELLON_PAKO=$pako"
step "Building the page" "$dir/build.log" cmake --build "$dir" --parallel "$(nproc)"
echo "The page is in build-web/site/:"
(cd "$SITE" && ls -l -- *.html *.css *.js *.wasm | awk '{ printf "  %-20s %8d bytes\n", $9, $5; total += $5 }
    END { printf "  %-20s %8d bytes\n", "in all", total }')
if [[ $serve -eq 1 ]]; then
    echo "Serving it on http://$ADDRESS:$PORT/ (Ctrl+C stops)"
    exec python3 -m http.server "$PORT" --bind "$ADDRESS" --directory "$SITE"
fi
