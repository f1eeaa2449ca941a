#!/usr/bin/env bash
# Unpacks the sources of the libraries the stand-in archiver DLLs link, from Debian's source
# packages, into build/deps/<package>: bzip2, xz-utils (liblzma), libzstd, libarchive,
# libdeflate.
# Does nothing for a package already there. Needs the source indexes that
# scripts/install-deps.sh sets up.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps"
mkdir -p "$deps"

fetch() {  # package, a file the unpacked tree has
    local pkg=$1 marker=$2
    [ -f "$deps/$pkg/$marker" ] && return 0
    local versions
    versions=$(apt-cache showsrc "$pkg" 2>/dev/null | sed -n 's/^Version: //p' | sort -rV | uniq)
    if [ -z "$versions" ]; then
        echo "No source index for $pkg: run scripts/install-deps.sh first." >&2
        exit 1
    fi
    local work
    work=$(mktemp -d "$deps/fetch.XXXXXX")
    # The newest version first; a mirror that lacks it (a security update not yet there)
    # leaves the one before.
    local v
    for v in $versions; do
        if (cd "$work" && apt-get source -q "$pkg=$v" >/dev/null 2>&1); then
            rm -rf "$deps/$pkg"
            mv "$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -1)" "$deps/$pkg"
            rm -rf "$work"
            echo "$pkg $v sources in $deps/$pkg"
            return 0
        fi
        rm -rf "${work:?}"/*
    done
    rm -rf "$work"
    echo "Could not fetch the sources of $pkg." >&2
    exit 1
}

fetch bzip2 bzlib.h
fetch xz-utils src/liblzma/api/lzma.h
fetch libzstd lib/zstd.h
fetch libarchive libarchive/archive.h
fetch libdeflate libdeflate.h
