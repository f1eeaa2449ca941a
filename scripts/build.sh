#!/usr/bin/env bash
# Builds one of the two configurations: x86_64 (run and tested under Wine) or i686 (the
# release build, compiled with warnings as errors).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-x86_64}
cd "$root"
"$root/scripts/fetch-sources.sh"
"$root/scripts/build-deps.sh" "$preset"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
