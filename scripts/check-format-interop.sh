#!/usr/bin/env bash
# Interoperability of the 7z, ARJ and cabinet stand-ins with the Linux tools: archives made by
# the tools extract through our DLLs as the tools extract them, and the archives our writers
# and DLLs produce (left in a folder by the writer tests) pass 7zz (7z also bsdtar), cabextract
# and gcab, 7zz's extraction matching the sources where those were kept too. Needs the x86_64
# build and the packages 7zip, libarchive-tools, arj, cabextract and gcab (and unar for the RAR
# fixtures).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
out=$(mktemp -d)
# Inside scripts/run-tests.sh the wineserver already runs; alone, this script starts it and
# stops it again.
if quarvel_start_wine 2>/dev/null; then
    trap 'rm -rf "$out"; quarvel_stop' EXIT
else
    trap 'rm -rf "$out"' EXIT
fi
keep="$(winepath -w "$out")"
bin="$root/build/x86_64/bin"
ARCHIVER_FORMATS_INTEROP="$keep" wine "$bin/archiver_formats_tests.exe" --gtest_brief=1 \
    --gtest_filter='*SevenZipWriter*:*CabWriter*' >/dev/null
ARCHIVER_FORMATS_INTEROP="$keep" wine "$bin/archiver_dlls_tests.exe" --gtest_brief=1 \
    --gtest_filter='Cab32.*:SevenZip32.*' >/dev/null
status=0
contents() { (cd "$1" && find . -type f -exec md5sum {} + | cut -d' ' -f1 | sort); }
winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }
# Real-tool archives through our DLL (the program's command) and through the Linux tool.
compare() {  # dll prefix command tail archive reference-command...
    local dll=$1 prefix=$2 command=$3 tail=$4 archive=$5
    shift 5
    local name
    name=$(basename "$archive")
    mkdir -p "$out/ours/$name" "$out/theirs/$name"
    (cd "$out/ours/$name" && wine "$bin/arcdrive.exe" run "$dll" "$prefix" "$command$(winpath "$archive")$tail") >/dev/null
    (cd "$out/theirs/$name" && "$@" "$archive") >/dev/null
    # arj writes the stored CP932 bytes as names; Wine writes them as UTF-8.
    if [ "$dll" = UNARJ32J.DLL ]; then
        (cd "$out/theirs/$name" && find . -mindepth 1 -depth | while read -r f; do
            leaf=$(basename "$f"); utf8=$(printf '%s' "$leaf" | iconv -f CP932 -t UTF-8)
            [ "$leaf" = "$utf8" ] || mv "$f" "$(dirname "$f")/$utf8"; done)
    fi
    if [ -n "$(ls -A "$out/theirs/$name")" ] && diff -r "$out/ours/$name" "$out/theirs/$name" >/dev/null; then
        echo "ok   $name (${dll} extracts the same as $1)"
    else
        echo "FAIL $name (${dll} differs from $1)"; status=1
    fi
}
for f in doc-top.7z flat-copy.7z sjis-names.7z bcj-setup.7z; do
    compare 7-ZIP32.DLL SevenZip "x " "" "$root/tests/data/$f" 7zz x -y -bd
done
for f in doc-top.arj flat-store.arj flat-m2.arj flat-m3.arj flat-m4.arj mixed-m1.arj mixed-m4.arj sjis-names.arj; do
    compare UNARJ32J.DLL Unarj "e " " -sx1 -y1" "$root/tests/data/$f" arj x -y
done
for f in flat.cab flat-store.cab sjis-names.cab; do
    compare CAB32.DLL Cab "-x -o " "" "$root/tests/data/$f" cabextract -q
done
# The RAR fixtures are written by tests/data/make_rar_fixtures.py; unar's lsar must accept them.
if command -v lsar >/dev/null; then
    # The volume set is tested under its RAR volume names, from the build tree's copy.
    for f in flat-store.rar doc-top-store.rar sjis-store.rar vol.part1.rar; do
        if lsar -t "$root/build/x86_64/data/$f" >/dev/null 2>&1; then echo "ok   $f (lsar -t)"; else echo "FAIL $f (lsar -t)"; status=1; fi
    done
fi
for a in "$out"/*.7z; do
    name=$(basename "$a")
    if ! 7zz t "$a" >/dev/null; then echo "FAIL $name (7zz t)"; status=1; continue; fi
    # libarchive's reader is stricter about the header than 7-Zip's, and reads every entry.
    if ! bsdtar -tf "$a" >/dev/null || ! bsdtar -xOf "$a" >/dev/null; then
        echo "FAIL $name (bsdtar -t)"; status=1; continue
    fi
    if [ -d "$a.src" ]; then
        if 7zz x -y -o"$out/$name.out" "$a" >/dev/null && diff -r "$a.src" "$out/$name.out"; then
            echo "ok   $name (7zz t, bsdtar -t; 7zz x equals the sources)"
        else
            echo "FAIL $name (extraction differs)"; status=1
        fi
    else
        echo "ok   $name (7zz t, bsdtar -t)"
    fi
done
for a in "$out"/*.cab; do
    name=$(basename "$a")
    if ! (cabextract -q -t "$a" >/dev/null && 7zz t "$a" >/dev/null && gcab -l "$a" >/dev/null); then
        echo "FAIL $name (cabextract -t, 7zz t, gcab -l)"; status=1; continue
    fi
    if [ -d "$a.src" ]; then
        # Names are stored in CP932 as Japanese Windows tools store them, which cabextract
        # reads as Latin-1; the contents are compared.
        mkdir -p "$out/$name.out" && cabextract -q -d "$out/$name.out" "$a" >/dev/null
        if [ "$(contents "$a.src")" = "$(contents "$out/$name.out")" ]; then
            echo "ok   $name (cabextract -t, 7zz t, gcab -l; cabextract's content equals the sources)"
        else
            echo "FAIL $name (content differs)"; status=1
        fi
    else
        echo "ok   $name (cabextract -t, 7zz t, gcab -l)"
    fi
done
exit $status
