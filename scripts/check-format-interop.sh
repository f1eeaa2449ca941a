#!/usr/bin/env bash
# Checks the archives our format writers produce with the Linux tools: the writer tests
# leave them in a folder, then 7zz and cabextract test them and 7zz's extraction is compared
# with the sources. Needs the x86_64 build and the packages 7zip and cabextract.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
trap quarvel_stop EXIT
quarvel_start_wine
out=$(mktemp -d)
trap 'rm -rf "$out"; quarvel_stop' EXIT
ARCHIVER_FORMATS_INTEROP="$(winepath -w "$out")" wine "$root/build/x86_64/bin/archiver_formats_tests.exe" \
    --gtest_brief=1 --gtest_filter='*SevenZipWriter*:*CabWriter*' >/dev/null
status=0
for a in "$out"/written-*.7z; do
    name=$(basename "$a")
    if 7zz t "$a" >/dev/null && 7zz x -y -o"$out/$name.out" "$a" >/dev/null && diff -r "$out/$name.src" "$out/$name.out"; then
        echo "ok   $name (7zz t, extraction equals the sources)"
    else
        echo "FAIL $name"; status=1
    fi
done
for a in "$out"/written-*.cab; do
    name=$(basename "$a")
    if cabextract -q -t "$a" >/dev/null && 7zz t "$a" >/dev/null && gcab -l "$a" >/dev/null; then
        echo "ok   $name (cabextract -t, 7zz t, gcab -l)"
    else
        echo "FAIL $name"; status=1
    fi
done
exit $status
