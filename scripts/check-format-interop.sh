#!/usr/bin/env bash
# Checks the archives our format writers and stand-in DLLs produce with the Linux tools: the
# writer tests leave them in a folder, then 7zz, cabextract and gcab test them, and where the
# sources were left too, 7zz's extraction is compared with them. Needs the x86_64 build and
# the packages 7zip, cabextract and gcab.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
out=$(mktemp -d)
trap 'rm -rf "$out"; quarvel_stop' EXIT
quarvel_start_wine
keep="$(winepath -w "$out")"
bin="$root/build/x86_64/bin"
ARCHIVER_FORMATS_INTEROP="$keep" wine "$bin/archiver_formats_tests.exe" --gtest_brief=1 \
    --gtest_filter='*SevenZipWriter*:*CabWriter*' >/dev/null
ARCHIVER_FORMATS_INTEROP="$keep" wine "$bin/archiver_dlls_tests.exe" --gtest_brief=1 \
    --gtest_filter='Cab32.*:SevenZip32.*' >/dev/null
status=0
for a in "$out"/*.7z; do
    name=$(basename "$a")
    if ! 7zz t "$a" >/dev/null; then echo "FAIL $name (7zz t)"; status=1; continue; fi
    if [ -d "$a.src" ]; then
        if 7zz x -y -o"$out/$name.out" "$a" >/dev/null && diff -r "$a.src" "$out/$name.out"; then
            echo "ok   $name (7zz t; 7zz x equals the sources)"
        else
            echo "FAIL $name (extraction differs)"; status=1
        fi
    else
        echo "ok   $name (7zz t)"
    fi
done
for a in "$out"/*.cab; do
    name=$(basename "$a")
    if cabextract -q -t "$a" >/dev/null && 7zz t "$a" >/dev/null && gcab -l "$a" >/dev/null; then
        echo "ok   $name (cabextract -t, 7zz t, gcab -l)"
    else
        echo "FAIL $name"; status=1
    fi
done
exit $status
