#!/usr/bin/env bash
# Melting beside what it cannot do without, per format, from one run: the first melt of an
# archive of 5,000 small files through dovetrim.exe -d (into the cache) beside the same DLL
# command run alone through arcdrive.exe, and the melt of the same archive again, unchanged,
# beside an empty program with dovetrim.exe's imports (tests/bench/emptyprog.cpp). Not a
# test: it prints a table.
#   scripts/bench-melt.sh        (needs a build of x86_64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
source "$root/scripts/wine-env.sh"
source "$root/scripts/bench-common.sh"
# In RAM where the machine has a RAM folder: the time to create thousands of files on a
# virtual disk varied by half from one run to the next, far more than the program adds.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'quarvel_stop; rm -rf "$work"' EXIT
bench_start_wine_desktop
bin="$root/build/x86_64/bin"
prog="$work/prog"
mkdir -p "$prog"
for f in dovetrim.exe emptyprog.exe UNLHA32.DLL UNZIP32.DLL TAR32.DLL; do cp "$bin/$f" "$prog/"; done

src="$work/src"
bench_small_files "$src/many"
files=$(find "$src" -type f | wc -l)
echo "Making the archives of $files files..."
(cd "$src" && wine "$bin/arcdrive.exe" run UNLHA32.DLL Unlha \
    "a -x1 -r2 -d -a2 -jm2 \"$(winpath "$work/many.lzh")\" \"many\\*\"" >/dev/null 2>&1)
(cd "$src" && zip -qr "$work/many.zip" many)
tar -czf "$work/many.tar.gz" -C "$src" many

# A double click melts into a cache of the run's own and does nothing more.
settings() {  # cache folder
    printf '[main] \r\nApplication = Quarvel\r\nVersion = 150\r\nPrevPage = 0\r\n%s' \
        "MeltToOnDblClk = Zent_MeltTo_Cache"$'\r\n'"DefActOnDblClk = Zent_DefAct_None"$'\r\n' \
        >"$prog/dovetrim.ini"
    printf '%s\r\n' "MeltToOnDrop = Zent_MeltTo_Here" "DefActOnDrop = Zent_DefAct_None" \
        "CachePath = $(winpath "$1")" "StdMeltPath = " "InstallPath = " \
        "DefCompressType = Zent_LzhType" "DelOrgOnMenu = 0" "DelOrgOnDrop = 0" " " >>"$prog/dovetrim.ini"
}
# An error box would wait for ever under the private display.
dovetrim() { timeout 300 wine "$prog/dovetrim.exe" "$@"; }

# One start first, so that no row pays for Wine's first start or a cold file cache.
seconds wine "$prog/emptyprog.exe" >/dev/null

printf '%-7s %11s %11s %7s | %11s %11s %7s\n' format "first melt" "DLL alone" ratio \
    "melt again" "empty prog" ratio
# Before each timed run: the disk has what the last run wrote, and Wine has wound the last
# program up (the first Wine program after an extraction of thousands of files takes about
# 0.2 s longer, whichever it is).
settle() {
    sync
    wine "$prog/emptyprog.exe" >/dev/null 2>&1
}

# Each time is the best of two runs (of ten for the short ones).
row() {  # format, archive, DLL, prefix, the program's extraction command before the archive
    local fmt=$1 archive=$2 cache="$work/cache-$1" alone="$work/alone-$1"
    settings "$cache"
    local first=99 again empty dll=99 t i
    for i in 1 2; do
        rm -rf "$cache" "$alone" && mkdir -p "$alone"
        settle
        t=$(seconds dovetrim -d "$(winpath "$archive")")
        first=$(shorter "$first" "$t")
        [ -f "$cache/many/d01/note-00001.txt" ] || { echo "$fmt: the melt gave no folder" >&2; exit 1; }
        settle
        t=$(cd "$alone" && seconds wine "$bin/arcdrive.exe" run "$3" "$4" "$5\"$(winpath "$archive")\"")
        dll=$(shorter "$dll" "$t")
        [ -f "$alone/many/d01/note-00001.txt" ] || { echo "$fmt: arcdrive extracted nothing" >&2; exit 1; }
    done
    settle
    # Runs of a few hundredths of a second, alternating, so that a busy moment of the
    # machine falls on both.
    again=99 empty=99
    for i in $(seq 1 10); do
        t=$(seconds dovetrim -d "$(winpath "$archive")")
        again=$(shorter "$again" "$t")
        t=$(seconds wine "$prog/emptyprog.exe")
        empty=$(shorter "$empty" "$t")
    done
    printf '%-7s %9.2f s %9.2f s %7s | %9.3f s %9.3f s %7s\n' "$fmt" "$first" "$dll" \
        "$(ratio "$first" "$dll")" "$again" "$empty" "$(ratio "$again" "$empty")"
    rm -rf "$cache" "$alone"
}
row LZH "$work/many.lzh" UNLHA32.DLL Unlha "e -a2 -x1 -n0 -m0 -y1 -u0 -gn1 -jf0 "
row ZIP "$work/many.zip" UNZIP32.DLL UnZip "-o "
row TAR.GZ "$work/many.tar.gz" TAR32.DLL Tar "-zxvf "
echo "(ratios: dovetrim.exe's first melt over the DLL's command alone, and its melt of the"
echo " unchanged archive over the empty program; all times include starting under Wine)"
