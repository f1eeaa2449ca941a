#!/usr/bin/env bash
# Interoperability of the stand-in archiver DLLs with the Linux tools: archives made by real
# tools must extract identically through our DLLs, and archives our DLLs write must pass the
# tools' own tests and extract identically to their sources. Runs the DLLs under Wine through
# arcdrive.exe. Called by scripts/run-tests.sh; needs a build of x86_64.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-env.sh"
bin="$root/build/x86_64/bin"
data="$root/tests/data"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$root/tests/interop/checks.sh"

winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }
drive() { wine "$bin/arcdrive.exe" "$@"; }
same_tree() { diff -r "$1" "$2" >/dev/null; }
# File names of a tree, CP932 bytes shown as UTF-8.
names_cp932() { (cd "$1" && find . -mindepth 1 | LC_ALL=C sort | iconv -f CP932 -t UTF-8); }
names_utf8() { (cd "$1" && find . -mindepth 1 | LC_ALL=C sort); }
contents() { (cd "$1" && find . -type f -exec md5sum {} + | sed 's/^\\//' | cut -d' ' -f1 | sort); }

ours_extract() {  # dll prefix command-template archive dest
    mkdir -p "$5"
    (cd "$5" && drive run "$1" "$2" "$3\"$(winpath "$4")\"")
}

echo "== archives made by the Linux tools, extracted by our DLLs"
for f in doc-top.lzh doc-top-lh7.lzh flat.lzh tools.lzh readme-only.lzh app.lzh; do
    ours_extract UNLHA32.DLL Unlha "e -a2 -x1 -n0 -m0 -y1 -u0 -gn1 -jf0 " "$data/$f" "$work/o/$f"
    mkdir -p "$work/r/$f" && (cd "$work/r/$f" && lhasa -xq "$data/$f")
    check "$f same as lhasa" same_tree "$work/o/$f" "$work/r/$f"
done
# Another tool's level-3 headers (libarchive's test data), against bsdtar.
f=lha-level3.lzh
ours_extract UNLHA32.DLL Unlha "e -a2 -x1 -n0 -m0 -y1 -u0 -gn1 -jf0 " "$data/$f" "$work/o/$f"
mkdir -p "$work/r/$f" && bsdtar -xf "$data/$f" -C "$work/r/$f"
check "$f same as bsdtar -x" same_tree "$work/o/$f" "$work/r/$f"
for f in doc-top.zip flat.zip site.zip sjis-names.zip; do
    ours_extract UNZIP32.DLL UnZip "-o " "$data/$f" "$work/o/$f"
    mkdir -p "$work/r/$f" && (cd "$work/r/$f" && unzip -qo "$data/$f")
    if [ "$f" = sjis-names.zip ]; then
        # unzip writes the stored CP932 bytes as the Linux name; Wine writes the characters.
        check "$f names as unzip's, read as CP932" \
            diff <(names_utf8 "$work/o/$f") <(names_cp932 "$work/r/$f")
        check "$f content" diff <(contents "$work/o/$f") <(contents "$work/r/$f")
    else
        check "$f same as unzip" same_tree "$work/o/$f" "$work/r/$f"
    fi
done
for f in doc-top.tar.gz flat.tgz; do
    ours_extract TAR32.DLL Tar "-zxvf " "$data/$f" "$work/o/$f"
    mkdir -p "$work/r/$f" && tar -xzf "$data/$f" -C "$work/r/$f"
    check "$f same as tar" same_tree "$work/o/$f" "$work/r/$f"
done
ours_extract TAR32.DLL Tar "-zxvf " "$data/a.txt.gz" "$work/o/gz"
check "a.txt.gz same as gunzip" cmp "$work/o/gz/a.txt" <(gunzip -c "$data/a.txt.gz")

echo "== bzip2, compress and Debian packages made by the Linux tools, extracted by TAR32"
tf="$work/tf"
mkdir -p "$tf/src/doc/deep" "$tf/pkg/DEBIAN"
seq -f 'Line %06g: the quick brown fox jumps over the lazy dog.' 1 40000 >"$tf/src/doc/long.txt"
# Noise from a fixed seed, and tar streams fixed to the byte (order, times, owners): whether
# compress ever resets a full table depends on every byte before, and with some streams it
# never does, writes more than it read and exits with 2.
noise() { python3 -c 'import random, sys; sys.stdout.buffer.write(random.Random(int(sys.argv[1])).randbytes(int(sys.argv[2])))' "$@"; }
fixed_tar() { tar --sort=name --mtime=@1093530658 --owner=0 --group=0 --numeric-owner "$@"; }
# The noise fills the LZW table to 16 bits and makes compress reset it; text after it keeps
# the codes varied.
{ noise 1 300000 | base64; seq 1 50000; } >"$tf/src/doc/deep/mixed.txt"
noise 2 70000 >"$tf/src/doc/deep/random.bin"
: >"$tf/src/doc/empty.txt"
fixed_tar -cjf "$tf/dot.tar.bz2" -C "$tf/src" .
fixed_tar -cZf "$tf/doc.tar.Z" -C "$tf/src" doc
cp "$tf/doc.tar.Z" "$tf/doc.taz"
bzip2 -1 -c "$tf/src/doc/long.txt" >"$tf/long1.txt.bz2"
bzip2 -9 -c "$tf/src/doc/deep/mixed.txt" >"$tf/mixed9.txt.bz2"
# Two streams one after the other, as parallel compressors write them.
cat "$tf/long1.txt.bz2" "$tf/mixed9.txt.bz2" >"$tf/joined.txt.bz2"
# (ncompress 4.2.4 cannot read back its own -b9 output once the table fills, so no -b9.)
for b in 10 12 16; do compress -b$b -c "$tf/src/doc/deep/mixed.txt" >"$tf/mixed$b.txt.Z"; done
cp -r "$tf/src/doc" "$tf/pkg/usr-doc" && mkdir -p "$tf/pkg/usr/share" && mv "$tf/pkg/usr-doc" "$tf/pkg/usr/share/doc"
printf 'Package: qv-check\nVersion: 1.0\nArchitecture: all\nMaintainer: Quarvel Tests <tests@example.invalid>\nDescription: interoperability check\n' >"$tf/pkg/DEBIAN/control"
for z in gzip xz; do dpkg-deb --root-owner-group -Z$z --build "$tf/pkg" "$tf/pkg-$z.deb" >/dev/null; done

for f in dot.tar.bz2 doc.tar.Z doc.taz; do
    ours_extract TAR32.DLL Tar "-zxvf " "$tf/$f" "$work/o/$f" || true
    mkdir -p "$work/r/$f" && tar -xf "$tf/$f" -C "$work/r/$f"
    check "$f same as tar" same_tree "$work/o/$f" "$work/r/$f"
done
for f in long1.txt.bz2 mixed9.txt.bz2 joined.txt.bz2; do
    ours_extract TAR32.DLL Tar "-zxvf " "$tf/$f" "$work/o/$f" || true
    check "$f same as bzip2 -d" cmp "$work/o/$f/${f%.bz2}" <(bzip2 -dc "$tf/$f")
done
for b in 10 12 16; do
    f=mixed$b.txt.Z
    ours_extract TAR32.DLL Tar "-zxvf " "$tf/$f" "$work/o/$f" || true
    check "$f (compress -b$b) same as compress -d" cmp "$work/o/$f/${f%.Z}" <(compress -dc "$tf/$f")
done
for z in gzip xz; do
    f=pkg-$z.deb
    ours_extract TAR32.DLL Tar "-zxvf " "$tf/$f" "$work/o/$f" || true
    dpkg-deb -x "$tf/$f" "$work/r/$f"
    check "$f same as dpkg-deb -x" same_tree "$work/o/$f" "$work/r/$f"
done

echo "== damaged bzip2, compress and Debian packages: an error code, never a crash or a hang"
damaged() {  # description, archive, results accepted (alternatives of hex digits)
    local out rc=0
    rm -rf "$work/dmg" && mkdir -p "$work/dmg"
    out=$(cd "$work/dmg" && timeout 60 wine "$bin/arcdrive.exe" run TAR32.DLL Tar \
        "-zxvf \"$(winpath "$2")\"" 2>&1) || rc=$?
    [ $rc -eq 0 ] && [ -z "$out" ] && out="result 0x0"
    if [ $rc -eq 124 ]; then
        bad "$1: no answer within 60 s"
    elif [[ "$out" =~ result\ 0x($3)([^0-9A-F]|$) ]]; then
        ok "$1: result 0x${BASH_REMATCH[1]}"
    else
        bad "$1: exit $rc, expected 0x($3): $out"
    fi
}
flip() {  # archive, offset (negative: from the end), copy
    python3 - "$@" <<'PY'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
at = int(sys.argv[2])
data[at] ^= 0x55
open(sys.argv[3], 'wb').write(data)
PY
}
member_end() {  # deb, member name: offset of the member's last byte in the package
    python3 - "$@" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
at = 8
while at + 60 <= len(data):
    name = data[at:at + 16].decode().strip().rstrip('/')
    size = int(data[at + 48:at + 58])
    if name == sys.argv[2]:
        print(at + 60 + size - 1)
    at += 60 + size + (size & 1)
PY
}
xz_index() {  # deb: offset of the index of its data.tar.xz (which the footer's size tells)
    local end backward
    end=$(member_end "$1" data.tar.xz)
    backward=$(od -An -tu4 -j $((end - 7)) -N4 "$1" | tr -d ' ')
    echo $((end + 1 - 12 - (backward + 1) * 4))
}
half() { head -c $(($(stat -c %s "$1") / 2)) "$1" >"$2"; }
for f in dot.tar.bz2 long1.txt.bz2 doc.tar.Z pkg-gzip.deb pkg-xz.deb; do
    half "$tf/$f" "$work/cut-$f"
    damaged "$f cut in half" "$work/cut-$f" "8017|8016|800C"
done
flip "$tf/long1.txt.bz2" $(($(stat -c %s "$tf/long1.txt.bz2") / 2)) "$work/flip.bz2"
damaged "bzip2: a byte changed in the data" "$work/flip.bz2" "8017|800C"
flip "$tf/long1.txt.bz2" 10 "$work/crc.bz2"
damaged "bzip2: wrong block CRC" "$work/crc.bz2" "8017"
flip "$tf/mixed16.txt.Z" 5000 "$work/flip.Z"
# compress keeps no check value: a changed byte is found only when a code cannot occur.
damaged "compress: a byte changed in the data" "$work/flip.Z" "0|8017"
xz_at=$(xz_index "$tf/pkg-xz.deb")
flip "$tf/pkg-xz.deb" $((xz_at - 3000)) "$work/flip.deb"
damaged "deb (xz): a byte changed in the data" "$work/flip.deb" "8017|800C"
flip "$tf/pkg-xz.deb" $((xz_at - 3)) "$work/crc.deb"  # the block's CRC-64 ends the block
damaged "deb (xz): wrong CRC-64" "$work/crc.deb" "8017"
flip "$tf/pkg-xz.deb" $((xz_at + 2)) "$work/index.deb"
damaged "deb (xz): damaged index" "$work/index.deb" "8017"
gz_end=$(member_end "$tf/pkg-gzip.deb" data.tar.gz)
flip "$tf/pkg-gzip.deb" $((gz_end - 6)) "$work/crc-gz.deb"
damaged "deb (gzip): wrong CRC-32" "$work/crc-gz.deb" "8017|800C"

echo "== archives written by our DLLs, checked by the Linux tools"
src="$work/src"
mkdir -p "$src/doc/deep" "$src/empty" "$src/資料" "$src/ソフト"
for i in $(seq 1 3000); do printf 'Line %04d: the quick brown fox jumps over the lazy dog.\r\n' "$i"; done >"$src/doc/a.txt"
head -c 70000 /dev/urandom >"$src/doc/deep/random.bin"
{ head -c 20000 /dev/urandom; cat "$src/doc/a.txt"; head -c 5000 /dev/zero; } >"$src/doc/mixed.bin"
: >"$src/doc/zero.txt"
printf '表示のテスト\r\n' | iconv -f UTF-8 -t CP932 >"$src/資料/表示.txt"
printf 'ソフト\r\n' >"$src/ソフト/readme.txt"
touch -d '2004-08-26 14:30:58' "$src"/doc/*.txt

for jm in 2 4; do
    lzh="$work/out-jm$jm.lzh"
    (cd "$src" && drive run UNLHA32.DLL Unlha "a -x1 -r2 -d -a2 -jm$jm \"$(winpath "$lzh")\" \"*\"")
    check "LHA -jm$jm: lhasa -t" lhasa -t "$lzh"
    check "LHA -jm$jm: 7zz t" 7zz t "$lzh"
    mkdir -p "$work/x-jm$jm" && (cd "$work/x-jm$jm" && lhasa -xq "$lzh")
    check "LHA -jm$jm: lhasa extracts the source" \
        diff -r "$src/doc" "$work/x-jm$jm/doc"
    check "LHA -jm$jm: CP932 names" diff <(names_utf8 "$src") <(names_cp932 "$work/x-jm$jm")
done
check "LHA -jm4 writes -lh7-" grep -q -- '-lh7-' "$work/out-jm4.lzh"

zip="$work/out.zip"
drive zip "$(winpath "$src")" "$(winpath "$zip")" doc empty 資料 ソフト
check "ZIP: unzip -t" unzip -tq "$zip"
check "ZIP: 7zz t" 7zz t "$zip"
mkdir -p "$work/x-zip" && (cd "$work/x-zip" && unzip -qo "$zip")
check "ZIP: unzip extracts the source" diff -r "$src/doc" "$work/x-zip/doc"
# unzip reads names of entries made on MS-DOS in the OEM code page; 7zz is told CP932.
7zz x -mcp=932 -y -o"$work/x-zip7" "$zip" >/dev/null
check "ZIP: CP932 names" diff <(names_utf8 "$src") <(names_cp932 "$work/x-zip7")
check "ZIP: bsdtar -t" bsdtar -tf "$zip"

# tar, tar.gz and tar.bz2 as the program asks for them; tar -t reads each by its first bytes.
for packing in tar:c tar.gz:zc tar.bz2:jc; do
    ext=${packing%%:*} switches=${packing#*:}
    arc="$work/out.$ext"
    (cd "$src" && drive run TAR32.DLL Tar "-${switches}vf --self-extracting=1 \"$(winpath "$arc")\" \"*\"")
    check "$ext: tar -tf" tar -tf "$arc"
    check "$ext: bsdtar -tf" bsdtar -tf "$arc"
    check "$ext: 7zz t" 7zz t "$arc"
    mkdir -p "$work/x-$ext" && tar -xf "$arc" -C "$work/x-$ext"
    check "$ext: tar extracts the source" diff -r "$src/doc" "$work/x-$ext/doc"
    check "$ext: CP932 names" diff <(names_utf8 "$src") <(names_cp932 "$work/x-$ext")
done
tgz="$work/out.tar.gz"
check "tar.gz: gzip -t" gzip -t "$tgz"
check "tar.bz2: bzip2 -t" bzip2 -t "$work/out.tar.bz2"
(cd "$src/doc" && drive run TAR32.DLL Tar "-Gcvf \"$(winpath "$work/a.gz")\" \"a.txt\"")
check "GZ: gzip -t" gzip -t "$work/a.gz"
check "GZ: same content" cmp "$src/doc/a.txt" <(gunzip -c "$work/a.gz")

echo "== our archives read back by our DLLs (CP932 names both ways)"
ours_extract UNLHA32.DLL Unlha "e -x1 " "$work/out-jm2.lzh" "$work/back-lzh"
check "LHA round trip" same_tree "$src" "$work/back-lzh"
ours_extract UNZIP32.DLL UnZip "-o " "$zip" "$work/back-zip"
check "ZIP round trip" same_tree "$src" "$work/back-zip"
for ext in tar tar.gz tar.bz2; do
    ours_extract TAR32.DLL Tar "-zxvf " "$work/out.$ext" "$work/back-$ext"
    check "$ext round trip" same_tree "$src" "$work/back-$ext"
done

if [ $failures -ne 0 ]; then
    echo "archiver interoperability: $failures failed"
    exit 1
fi
echo "archiver interoperability: all passed"
