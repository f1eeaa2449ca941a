#!/usr/bin/env bash
# Runs the program's main job under Wine and saves a screenshot of what it shows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" x86_64

source "$root/scripts/wine-env.sh"
trap quarvel_stop EXIT
quarvel_start_display
quarvel_start_wine

bin="$root/build/x86_64/bin"
shot="$root/build/demo.png"
work="$root/build/demo"
mkdir -p "$work"
echo "Starting dovetrim.exe -c \"$work\""
wine "$bin/dovetrim.exe" -c "Z:${work//\//\\}" &
program=$!
# Wait for the program's window, then photograph the screen and close the window.
for _ in $(seq 1 200); do
    if xwininfo -root -tree 2>/dev/null | grep -q '"Quarvel SV"'; then break; fi
    sleep 0.1
done
import -window root "$shot"
# Closing the session's wineserver ends the program and its box.
echo "Screenshot: $shot"
