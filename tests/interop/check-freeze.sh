#!/usr/bin/env bash
# Quick freeze as Explorer's "-c " verb starts it, checked with the Linux tools: for every
# writable format, dovetrim.exe freezes a tree with nested and empty folders, CP932 names
# (表示, ソフト: second bytes 0x5C), a blank, a read-only and an empty file; the archive must
# pass the tool's own test and extract identical to the tree, names included. YZ1 has no
# Linux tool (our stand-in writes a container of its own): its archive is extracted by the
# stand-in. Called by scripts/run-tests.sh; needs a build of x86_64.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-env.sh"
bin="$root/build/x86_64/bin"
work=$(mktemp -d)
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
source "$root/tests/interop/checks.sh"

winpath() { local p=$1; echo "Z:${p//\//\\}"; }

# Names that a tool wrote as CP932 bytes become the UTF-8 names Wine gives them on disk. The
# walk runs in the C locale: in UTF-8 a CP932 byte may swallow the separator after it.
utf8_names() {
    local LC_ALL=C path name
    while IFS= read -r -d '' path; do
        name=${path##*/}
        if ! printf '%s' "$name" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1; then
            mv "$path" "${path%/*}/$(printf '%s' "$name" | iconv -f CP932 -t UTF-8)"
        fi
    done < <(find "$1" -depth -mindepth 1 -print0)
}

make_tree() {
    local t="$1/資料"
    mkdir -p "$t/ソフト/深い" "$t/空"
    printf '表示の中身\r\n' >"$t/表示.txt"
    head -c 200000 /dev/urandom | base64 >"$t/ソフト/a b.txt"
    : >"$t/ソフト/深い/zero.dat"
    printf 'keep\r\n' >"$t/readonly.txt"
    chmod a-w "$t/readonly.txt"
}

mkdir -p "$work/prog" "$work/cache" "$work/reference"
for f in dovetrim.exe UNLHA32.DLL zip32.dll CAB32.DLL YZ1.DLL TAR32.DLL 7-ZIP32.DLL; do
    cp "$bin/$f" "$work/prog/"
done
make_tree "$work/reference"

# The settings file's short first layout is enough to choose the format ($1); the cache lies
# in the work folder, as the frozen items move there.
write_settings() {
    printf '[main] \r\nApplication = Quarvel\r\nVersion = 100\r\nCachePath = %s\r\nProgFilesPath = C:\\Program Files\r\nOpenExplorer = 0\r\nDefCompressType = %s\r\n \r\n' \
        "$(winpath "$work/cache")" "$1" | iconv -f UTF-8 -t CP932 >"$work/prog/dovetrim.ini"
}

# $1 settings name of the type, $2 extension, $3 test command, $4 extract command (in the
# folder it extracts into); the archive's path is appended to both.
freeze_and_check() {
    local type=$1 ext=$2 test_cmd=$3 extract_cmd=$4
    local dir="$work/$ext"
    mkdir -p "$dir/out"
    cp -a "$work/reference/資料" "$dir/"
    write_settings "$type"
    local archive="$dir/資料.$ext"
    if ! (cd "$dir" && wine "$work/prog/dovetrim.exe" -c "$(winpath "$dir/資料")"); then
        bad "$ext: dovetrim.exe -c"
        return
    fi
    check "$ext: only the archive is left beside the folder's place" \
        test "$(ls "$dir")" = "$(printf 'out\n資料.%s' "$ext")"
    [ -n "$test_cmd" ] && check "$ext: $test_cmd" $test_cmd "$archive"
    (cd "$dir/out" && $extract_cmd "$archive") >"$work/last.log" 2>&1 || cat "$work/last.log"
    if [ "$ext" = cab ]; then
        # Cabinets separate folders by "\" and hold files only: the Linux tools, which do not
        # know CP932, split 表 and ソ at their second byte. The names are read back from the
        # listing's bytes, the contents compared apart.
        check "cab: names" diff <(cab_names "$archive") <(files_of "$work/reference")
        check "cab: contents" diff <(contents "$dir/out") <(contents "$work/reference")
        return
    fi
    utf8_names "$dir/out"
    check "$ext: extracts identical to the tree" diff -r "$work/reference" "$dir/out"
}

files_of() { (cd "$1" && LC_ALL=C find . -type f | sed 's|^\./||' | LC_ALL=C sort); }
contents() { (cd "$1" && find . -type f -exec md5sum {} + | cut -d' ' -f1 | sort); }
cab_names() {
    LC_ALL=C cabextract -l "$1" | LC_ALL=C sed -n 's/^ *[0-9][0-9]* | [0-9. :]* | //p' |
        tr '/' '\\' | iconv -f CP932 -t UTF-8 | tr '\\' '/' | LC_ALL=C sort
}

drive_yz1() { wine "$bin/arcdrive.exe" run YZ1.DLL Yz1 "x -y \"$(winpath "$1")\""; }

echo "== quick freeze (dovetrim.exe -c) checked by the Linux tools"
freeze_and_check Zent_LzhType lzh "lhasa -t" "lhasa -xq"
freeze_and_check Zent_ZipType zip "unzip -tq" "7zz x -mcp=932 -y"
freeze_and_check Zent_CabType cab "cabextract -t" "cabextract -q"
freeze_and_check Zent_TarType tar.gz "tar -tzf" "tar -xzf"
freeze_and_check Zent_7zType 7z "7zz t" "7zz x -y"
freeze_and_check Zent_Yz1Type yz1 "" drive_yz1

# Several items frozen at once into 7z: a file, and the tree as a folder beside it.
mkdir -p "$work/items"
cp -a "$work/reference/資料" "$work/items/"
printf 'x\r\n' >"$work/items/x.txt"
write_settings Zent_7zType
if (cd "$work/items" && wine "$work/prog/dovetrim.exe" -c "$(winpath "$work/items/x.txt")" \
    "$(winpath "$work/items/資料")"); then
    check "7z items: 7zz t" 7zz t "$work/items/x.7z"
    check "7z items: bsdtar -t" bsdtar -tf "$work/items/x.7z"
    listing=$(7zz l -ba "$work/items/x.7z")
    check "7z items: the file and the folder's tree listed by 7zz l" \
        test -n "$(grep ' x\.txt$' <<<"$listing")" -a -n "$(grep ' 資料/ソフト/a b\.txt$' <<<"$listing")"
else
    bad "7z items: dovetrim.exe -c"
fi
chmod -R u+w "$work"

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "All freeze interoperability checks passed."
