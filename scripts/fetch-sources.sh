#!/usr/bin/env bash
# Unpacks the sources the build compiles from Debian's source packages into build/deps:
# the bzip2 library that the stand-in TAR32.DLL decodes .bz2 with. Does nothing when they
# are there. Needs the source indexes that scripts/install-deps.sh sets up.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps"
[ -f "$deps/bzip2/bzlib.h" ] && exit 0
if [ -z "$(apt-cache showsrc bzip2 2>/dev/null)" ]; then
    echo "No source index for bzip2: run scripts/install-deps.sh first." >&2
    exit 1
fi
mkdir -p "$deps"
work=$(mktemp -d "$deps/fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -q bzip2 >/dev/null)
rm -rf "$deps/bzip2"
mv "$work"/bzip2-*/ "$deps/bzip2"
echo "bzip2 sources in $deps/bzip2"
