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
cp "$root/tests/data/doc-top.lzh" "$work/doc-top.lzh"
archive="Z:${work//\//\\}\\doc-top.lzh"
# A double click on the archive: melted into the cache, its folder shown in Explorer.
echo "Starting dovetrim.exe -d \"$archive\""
wine "$bin/dovetrim.exe" -d "$archive" &
program=$!
# Wait for the Explorer window of the working folder "doc", then photograph the screen.
for _ in $(seq 1 300); do
    if xwininfo -root -tree 2>/dev/null | grep -q -E '"[^"]*doc[^"]*"'; then break; fi
    sleep 0.1
done
sleep 2  # let the window finish drawing its folder tree and file list
import -window root "$shot"
wait "$program" || echo "dovetrim.exe exited with $?"
echo "Screenshot: $shot"

# An archive with autorun.inf and setup.exe: nothing inside runs before the user agrees, so
# the safety confirmation comes up. It is photographed and left unanswered.
safety_shot="$root/build/demo-safety.png"
cp "$root/tests/data/app.lzh" "$work/app.lzh"
echo "Starting dovetrim.exe -d \"Z:${work//\//\\}\\app.lzh\""
wine "$bin/dovetrim.exe" -d "Z:${work//\//\\}\\app.lzh" &
for _ in $(seq 1 300); do
    if xwininfo -root -tree 2>/dev/null | grep -q 'Quarvel SV'; then break; fi
    sleep 0.1
done
sleep 1  # let the dialog draw its icon and texts
import -window root "$safety_shot"
echo "Screenshot: $safety_shot"
# Closing the session's wineserver ends the Explorer window and the unanswered dialog.

# The freeze dialog on a folder, in its small form, and in its tall form once
# "自己解凍ファイルにする(&S)" is ticked with LHA chosen; then cancelled.
freeze_small="$root/build/demo-freeze.png"
freeze_tall="$root/build/demo-freeze-sfx.png"
mkdir -p "$work/資料/ソフト"
printf 'readme\r\n' >"$work/資料/readme.txt"
printf 'tool\r\n' >"$work/資料/ソフト/tool.txt"
echo "Starting dovetrim.exe -x \"Z:${work//\//\\}\\資料\""
wine "$bin/dovetrim.exe" -x "Z:${work//\//\\}\\資料" &
freeze=$!
wine "$bin/dlgclick.exe" "圧縮 - Quarvel"
sleep 1  # let the dialog draw
import -window root "$freeze_small"
wine "$bin/dlgclick.exe" "圧縮 - Quarvel" 1008
sleep 1
import -window root "$freeze_tall"
wine "$bin/dlgclick.exe" "圧縮 - Quarvel" 2
wait "$freeze" || echo "dovetrim.exe exited with $?"
echo "Screenshots: $freeze_small $freeze_tall"
