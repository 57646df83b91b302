#!/usr/bin/env bash
# Includes run one way: turn on core; maint on turn and core; door on core;
# player on door and core; setup on core.  Every program folder's includes
# of the project's own headers are listed and checked against that.
set -euo pipefail
src=$1
bad=0
check() {
    local folder=$1 allowed=$2
    while IFS= read -r line; do
        file=${line%%:*}
        layer=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$line")
        if ! grep -qw "$layer" <<<"$folder $allowed"; then
            echo "$file includes $layer/: $folder may use only ${allowed:-nothing else}"
            bad=1
        fi
    done < <(grep -H '^#include "[a-z]*/' "$src/$folder"/*.cpp "$src/$folder"/*.h 2>/dev/null || true)
}
check core ""
check turn "core"
check maint "turn core"
check door "core"
check player "door core"
check setup "core"
exit $bad
