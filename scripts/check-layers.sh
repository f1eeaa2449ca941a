#!/usr/bin/env bash
# The layers of src/, lowest first. A module may include its own folder and any folder
# below it, never one above: the include graph stays free of back references and circles.
#   lib -> shell -> archiver -> settings -> autoopen -> options -> floppy -> folders -> app
# Prints every include that points upwards and exits 1 when there is one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root/src"

layers=(lib shell archiver settings autoopen options floppy folders app)
rank_of() {
    local i
    for i in "${!layers[@]}"; do
        [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
    done
    echo -1
}

bad=0
while IFS= read -r file; do
    dir=${file%%/*}
    [ "$dir" = res ] && continue  # resource scripts take control ids from any layer
    own=$(rank_of "$dir")
    if [ "$own" -lt 0 ]; then
        echo "$file: folder '$dir' has no place in the layers (scripts/check-layers.sh)"
        bad=1
        continue
    fi
    while IFS= read -r target; do
        target=${target#../}
        case "$target" in */*) ;; *) continue ;; esac  # same folder
        to=$(rank_of "${target%%/*}")
        if [ "$to" -gt "$own" ]; then
            echo "$file includes $target: ${layers[$own]} may not reach up to ${layers[$to]}"
            bad=1
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | sort)

if [ $bad -ne 0 ]; then
    echo "The include graph reaches upwards; see the layers at the top of scripts/check-layers.sh."
    exit 1
fi
echo "Include layers: no upward include in src/."
