#!/usr/bin/env bash
# Freezing a 32 MiB tree of ordinary files through dovetrim.exe -c (under Wine), beside the
# same DLL command run alone through arcdrive.exe (also under Wine) and beside the Linux tool,
# all in one run. Not a test: it prints a table of times and the two ratios: what the program
# adds to the DLL's time, and the DLL's encoding speed against the Linux tool's.
#   scripts/bench-freeze.sh        (needs a build of x86_64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
source "$root/scripts/wine-env.sh"
source "$root/scripts/bench-common.sh"
work=$(mktemp -d)
trap 'quarvel_stop; chmod -R u+w "$work"; rm -rf "$work"' EXIT
bench_start_wine_desktop
bin="$root/build/x86_64/bin"

# About 32 MiB in 150 files as documents come: text, tables of numbers, already packed data.
src="$work/src"
mkdir -p "$src/text" "$src/tables" "$src/data/images"
for i in $(seq 1 80); do
    seq -f "Line %06g: the quick brown fox jumps over the lazy dog, report $i" 1 3000 \
        >"$src/text/report-$i.txt"
done
for i in $(seq 1 60); do
    seq "$i" 7 $((i + 7 * 25000)) >"$src/tables/table-$i.csv"
done
for i in $(seq 1 10); do head -c 600000 /dev/urandom >"$src/data/images/photo-$i.jpg"; done
content=$(find "$src" -type f -printf '%s\n' | awk '{ n += $1 } END { print n }')

mkdir -p "$work/prog" "$work/cache"
for f in dovetrim.exe UNLHA32.DLL zip32.dll TAR32.DLL 7-ZIP32.DLL; do cp "$bin/$f" "$work/prog/"; done

# A fresh copy of the tree under the name "tree" in its own folder; prints the folder.
fresh() {
    local dir="$work/run-$1"
    rm -rf "$dir" && mkdir -p "$dir" && cp -a "$src" "$dir/tree"
    echo "$dir"
}

ours() {  # type name, extension: dovetrim.exe -c on the tree (the short settings layout)
    printf '[main] \r\nApplication = Quarvel\r\nVersion = 100\r\nCachePath = %s\r\nProgFilesPath = C:\\Program Files\r\nOpenExplorer = 0\r\nDefCompressType = %s\r\n \r\n' \
        "$(winpath "$work/cache")" "$1" >"$work/prog/dovetrim.ini"
    local dir
    dir=$(fresh "ours-$2")
    seconds wine "$work/prog/dovetrim.exe" -c "$(winpath "$dir/tree")"
}

alone() {  # dll, prefix, command before the archive, extension
    local dir
    dir=$(fresh "alone-$4")
    (cd "$dir" && seconds wine "$bin/arcdrive.exe" run "$1" "$2" "$3\"$(winpath "$dir/tree.$4")\" \"tree\\*\"")
}

tool() {  # extension, command... (run beside the tree, archive name appended)
    local ext=$1 dir
    shift
    dir=$(fresh "tool-$ext")
    (cd "$dir" && seconds "$@" "tree.$ext" tree)
}

row() {  # format, our time, DLL alone, Linux tool name, its time
    local tool_time=-
    [ "$5" = - ] || tool_time=$(printf '%.2f s' "$5")
    printf '%-7s %9.2f s %9.2f s %9s %-12s %11s | %8s %12s\n' "$1" "$2" "$3" "$(ratio "$2" "$3")" \
        "$4" "$tool_time" "$(ratio "$5" "$3")" "$(du -b "$work/run-ours-$6"/tree.* | cut -f1)"
}

# One freeze first, so that no row pays for Wine's first start or a cold file cache.
ours Zent_LzhType warm >/dev/null

echo "Freezing $content bytes in $(find "$src" -type f | wc -l) files..."
printf '%-7s %11s %11s %9s %-12s %11s | %8s %12s\n' format dovetrim "DLL alone" "ratio" "tool" \
    "tool time" "ratio" "archive"
zip_alone() {
    local dir
    dir=$(fresh alone-zip)
    seconds wine "$bin/arcdrive.exe" zip "$(winpath "$dir")" "$(winpath "$dir/tree.zip")" tree
}
# Each time is the best of three runs, ours, the DLL alone and the tool in turn: one run of a
# job under a second swings by a tenth on this kind of machine.
best3() {  # ours, the DLL alone, the tool ("-" for none): the best time of each
    local a=99 b=99 c=99 i
    for i in 1 2 3; do
        a=$(shorter "$a" "$($1)")
        b=$(shorter "$b" "$($2)")
        [ "$3" = - ] || c=$(shorter "$c" "$($3)")
    done
    [ "$3" != - ] || c=-
    echo "$a $b $c"
}
tool_zip() { tool zip zip -qr; }
tool_tgz() { tool tar.gz tar -czf; }
tool_7z() { tool 7z 7zz a -bd -mx=5 -ms=off; }
ours_lzh() { ours Zent_LzhType lzh; }
ours_zip() { ours Zent_ZipType zip; }
ours_tgz() { ours Zent_TarType tar.gz; }
ours_7z() { ours Zent_7zType 7z; }
alone_lzh() { alone UNLHA32.DLL Unlha "a -x1 -r2 -d -a2 -jm2 " lzh; }
alone_tgz() { alone TAR32.DLL Tar "-zcvf " tar.gz; }
alone_7z() { alone 7-ZIP32.DLL SevenZip "a -t7z -m0=LZMA:a2 -r -ms=off " 7z; }
read -r a b c < <(best3 ours_lzh alone_lzh -)
row LZH "$a" "$b" "(none)" "$c" lzh
read -r a b c < <(best3 ours_zip zip_alone tool_zip)
row ZIP "$a" "$b" "zip -r" "$c" zip
read -r a b c < <(best3 ours_tgz alone_tgz tool_tgz)
row TAR.GZ "$a" "$b" "tar -czf" "$c" tar.gz
read -r a b c < <(best3 ours_7z alone_7z tool_7z)
row 7Z "$a" "$b" "7zz a" "$c" 7z
echo "(each time the best of three runs; ratios: dovetrim.exe's time over the DLL's alone, and"
echo " the Linux tool's over the DLL's; times include starting the programs, about 0.1 s for a"
echo " program under Wine with its wineserver running)"
