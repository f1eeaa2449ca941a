#!/usr/bin/env bash
# What carrying the web's mark costs: a melt of a 2,000-file ZIP into an empty cache, with and
# without a Zone.Identifier stream on the archive, runs alternating. Each run is one
# meltbench.exe (the melt's extraction, cache database and marks, timed inside the program,
# so Wine's start of it is left out). Not a test: it prints the times side by side.
#   scripts/bench-webmark.sh [runs]      (needs a build of x86_64; default 7 runs each)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
"$root/scripts/install-deps.sh"
source "$root/scripts/wine-env.sh"
bin="$root/build/x86_64/bin"
work=$(mktemp -d)
trap 'quarvel_stop; rm -rf "$work"' EXIT
quarvel_start_wine
winpath() { echo "Z:${1//\//\\}"; }

# 2,000 files of about 1 KB below one top folder, in 20 folders; the same archive twice,
# once downloaded from the web.
src="$work/src/bench"
for d in $(seq -w 1 20); do
    mkdir -p "$src/part$d"
    for f in $(seq -w 1 100); do
        seq -f "part $d file $f line %g: the quick brown fox jumps over the lazy dog" 1 16 \
            >"$src/part$d/f$f.txt"
    done
done
files=$(find "$src" -type f | wc -l)
(cd "$work/src" && zip -qr "$work/plain.zip" bench)
cp "$work/plain.zip" "$work/marked.zip"
printf '[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://example.com/marked.zip\r\n' \
    >"$work/marked.zip:Zone.Identifier"

cache="$work/cache"
melt() {  # archive name: milliseconds of one melt into an empty cache
    wine "$bin/meltbench.exe" "$(winpath "$work/$1.zip")" "$(winpath "$cache")" | tr -d '\r'
}
marks() { find "$cache" -name '*:Zone.Identifier' | wc -l; }

echo "Melting $files files, $runs runs each (alternating)..."
plain=() marked=()
melt plain >/dev/null  # one run to warm Wine and the file cache
for _ in $(seq 1 "$runs"); do
    plain+=("$(melt plain)")
    [ "$(marks)" -eq 0 ] || echo "  (warning: the unmarked melt left marks)"
    marked+=("$(melt marked)")
    [ "$(marks)" -eq "$files" ] || echo "  (warning: $(marks) of $files files marked)"
done
stats() {  # times...: median and mean
    printf '%s\n' "$@" | sort -n | awk '{ t[NR] = $1; s += $1 }
        END { m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
              printf "%9.1f ms %9.1f ms", m, s / NR }'
}
printf '%-26s %12s %12s   %s\n' "melt of $files files" median mean "runs (ms)"
printf '%-26s %s   %s\n' "without Zone.Identifier" "$(stats "${plain[@]}")" "${plain[*]}"
printf '%-26s %s   %s\n' "with Zone.Identifier" "$(stats "${marked[@]}")" "${marked[*]}"
awk -v p="$(stats "${plain[@]}" | awk '{ print $1 }')" \
    -v m="$(stats "${marked[@]}" | awk '{ print $1 }')" -v n="$files" \
    'BEGIN { printf "the marks add %.1f ms (%.0f%%), %.3f ms a file\n", m - p, 100 * (m - p) / p, (m - p) / n }'
