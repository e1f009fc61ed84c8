#!/usr/bin/env bash
# Rewrites the golden results from the current build's probe:
#   tests/golden/regenerate.sh build/tools/quellon-probe
# Only do this for a deliberate change of the picture or the walk, and say why in the commit.
set -euo pipefail
probe="${1:?usage: $0 PATH/TO/quellon-probe}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
while read -r name args; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    # shellcheck disable=SC2086
    "$probe" cast $args > "$here/$name.txt"
done < "$here/cast_cases.txt"
while read -r name x y angle width height options; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    # shellcheck disable=SC2086
    "$probe" map "$x" "$y" "$angle" "$width" "$height" "$here/$name.png" $options > "$here/$name.txt"
done < "$here/map_cases.txt"
for script in "$here"/walk_*.script; do
    "$probe" walk < "$script" > "${script%.script}.txt"
done
echo "golden results rewritten in $here"
