#!/usr/bin/env bash
# Decoding throughput of the stand-in archiver DLLs (under Wine) beside the Linux tools, on
# the same 32 MiB of content in the same run. Not a test: it prints a table.
#   scripts/bench-archivers.sh        (needs a build of x86_64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
source "$root/scripts/wine-env.sh"
# In RAM where the machine has a RAM folder: writing 32 MiB to this kind of virtual disk
# takes a time that varies more between runs than the decoders differ.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'quarvel_stop; rm -rf "$work"' EXIT
quarvel_start_wine
bin="$root/build/x86_64/bin"
drive() { wine "$bin/arcdrive.exe" "$@"; }

source "$root/scripts/bench-common.sh"
src="$work/src"
bench_corpus "$src"
content=$(find "$src" -type f -printf '%s\n' | awk '{ n += $1 } END { print n }')

rate() { awk -v c="$content" -v s="$1" 'BEGIN { printf "%.1f", c / 1048576 / s }'; }

echo "Making the archives..."
(cd "$src" && drive run UNLHA32.DLL Unlha "a -x1 -r2 -d -a2 -jm2 \"$(winpath "$work/b.lzh")\" \"*\"")
(cd "$src" && zip -qr "$work/b.zip" .)
tar -czf "$work/b.tar.gz" -C "$src" .
tar -cjf "$work/b.tar.bz2" -C "$src" .

# Each time is the best of three runs, the two sides taking turns, each into an empty folder.
row() {  # format, archive, our command template, Linux tool command...
    local fmt=$1 archive=$2 template=$3
    shift 3
    local ours=99 theirs=99 t i
    for i in 1 2 3; do
        rm -rf "$work/o" "$work/l" && mkdir -p "$work/o" "$work/l"
        t=$(cd "$work/o" && seconds drive run "$dll" "$prefix" "$template\"$(winpath "$archive")\"")
        ours=$(shorter "$ours" "$t")
        t=$(cd "$work/l" && seconds "$@")
        theirs=$(shorter "$theirs" "$t")
    done
    diff -r "$work/o" "$work/l" >/dev/null || echo "  (warning: the two extractions differ)"
    printf '%-7s %9s %12s %8.2f s %8s MiB/s  | %-22s %8.2f s %8s MiB/s | %6s\n' "$fmt" \
        "$(du -b "$archive" | cut -f1)" "$content" "$ours" "$(rate "$ours")" "$tool" "$theirs" \
        "$(rate "$theirs")" "$(ratio "$theirs" "$ours")"
}
printf '%-7s %9s %12s %21s  | %-42s | %s\n' format archive content "stand-in DLL (Wine)" \
    "Linux tool" ratio
dll=UNLHA32.DLL prefix=Unlha tool="lhasa -x"
row LZH "$work/b.lzh" "e -a2 -x1 -n0 -m0 -y1 -u0 -gn1 -jf0 " lhasa -xq "$work/b.lzh"
dll=UNZIP32.DLL prefix=UnZip tool="unzip -o"
row ZIP "$work/b.zip" "-o " unzip -qo "$work/b.zip"
dll=TAR32.DLL prefix=Tar tool="tar -xzf"
row TAR.GZ "$work/b.tar.gz" "-zxvf " tar -xzf "$work/b.tar.gz"
tool="tar -xjf"
row TAR.BZ2 "$work/b.tar.bz2" "-zxvf " tar -xjf "$work/b.tar.bz2"
echo "(ratio: the Linux tool's time over the stand-in's; times include starting the program, the"
echo " stand-in's Wine's start of about 0.1 s)"
