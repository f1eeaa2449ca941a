#!/usr/bin/env bash
# Update beside freeze, per format, from one run: dovetrim.exe -u writing back a melted
# archive of 32 MiB of content in which one small file changed, against quick freeze (-c)
# compressing the same folder from scratch. Not a test: it prints a table.
#   scripts/bench-update.sh        (needs a build of x86_64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
source "$root/scripts/wine-env.sh"
source "$root/scripts/bench-common.sh"
work=$(mktemp -d)
trap 'quarvel_stop; rm -rf "$work"' EXIT
# A copy of the archive for the update (where no link can be made) shows a progress window.
bench_start_wine_desktop
bin="$root/build/x86_64/bin"

prog="$work/prog"
mkdir -p "$prog"
for f in dovetrim.exe UNLHA32.DLL UNZIP32.DLL zip32.dll CAB32.DLL YZ1.DLL TAR32.DLL 7-ZIP32.DLL; do
    cp "$bin/$f" "$prog/"
done

# The 32 MiB, and the small file the user edits.
src="$work/src/bench"
bench_corpus "$src"
echo "notes, first version" >"$src/notes.txt"

# Settings of the second layout: the format to freeze in, a cache of the run's own, frozen
# folders kept where they are, a double click that only melts.
settings() {  # type name, cache folder
    printf '[main] \r\nApplication = Quarvel\r\nVersion = 150\r\nPrevPage = 0\r\n%s' \
        "MeltToOnDblClk = Zent_MeltTo_Cache"$'\r\n'"DefActOnDblClk = Zent_DefAct_None"$'\r\n' \
        >"$prog/dovetrim.ini"
    printf '%s\r\n' "MeltToOnDrop = Zent_MeltTo_Here" "DefActOnDrop = Zent_DefAct_None" \
        "CachePath = $(winpath "$2")" "StdMeltPath = " "InstallPath = " "DefCompressType = $1" \
        "DelOrgOnMenu = 0" "DelOrgOnDrop = 0" " " >>"$prog/dovetrim.ini"
}

# An error box would wait for ever under the private display.
dovetrim() { timeout 1200 wine "$prog/dovetrim.exe" "$@"; }

printf '%-7s %10s %10s %10s %8s\n' format archive freeze update ratio
for row in Zent_LzhType:lzh Zent_ZipType:zip Zent_CabType:cab Zent_Yz1Type:yz1 \
    Zent_TarType:tar.gz Zent_7zType:7z; do
    type=${row%%:*} ext=${row#*:}
    place="$work/$ext" cache="$work/cache-$ext"
    mkdir -p "$place"
    cp -r "$src" "$place/"
    settings "$type" "$cache"
    archive="$place/bench.$ext"
    # Each time is the best of two runs.
    freeze=99 update=99
    for i in 1 2; do
        rm -f "$archive"
        t=$(seconds dovetrim -c "$(winpath "$place/bench")")
        freeze=$(shorter "$freeze" "$t")
        [ -f "$archive" ] || { echo "$ext: quick freeze wrote no $archive" >&2; exit 1; }
    done
    dovetrim -d "$(winpath "$archive")" >/dev/null 2>&1
    [ -f "$cache/bench/notes.txt" ] || { echo "$ext: the melt gave no working folder" >&2; exit 1; }
    for i in 2 3; do
        # Each edit a size and a time of its own, seconds apart: the archivers tell a changed
        # file by its size and its time to the second (LHA's update takes only newer files,
        # its times in steps of two seconds).
        printf 'notes, version %s\n' "$(seq -s . 1 "$i")" >"$cache/bench/notes.txt"
        touch -d "$((10 * i)) seconds" "$cache/bench/notes.txt"
        before=$(md5sum <"$archive")
        t=$(seconds dovetrim -u "$(winpath "$archive")")
        update=$(shorter "$update" "$t")
        [ "$(md5sum <"$archive")" != "$before" ] || { echo "$ext: the update changed nothing" >&2; exit 1; }
    done
    printf '%-7s %10s %8.2f s %8.2f s %8.2f\n' "$ext" "$(du -b "$archive" | cut -f1)" "$freeze" \
        "$update" "$(awk -v u="$update" -v f="$freeze" 'BEGIN { print u / f }')"
    rm -rf "$place" "$cache"
done
echo "(ratio: update time / freeze time; both include starting dovetrim.exe under Wine)"
