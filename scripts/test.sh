#!/usr/bin/env bash
# The whole test suite: both builds, then every test program under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" x86_64
"$root/scripts/build.sh" i686

source "$root/scripts/wine-env.sh"
trap quarvel_stop EXIT
quarvel_start_display --private
quarvel_start_wine

bin="$root/build/x86_64/bin"
failed=()
for program in unit_tests integration_tests gui_tests; do
    echo "=== $program"
    if ! timeout 300 wine "$bin/$program.exe" --gtest_brief=1; then
        failed+=("$program")
    fi
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All tests passed."
