#!/usr/bin/env bash
# Runs test programs of the x86_64 build under Wine, on a private Xvfb display.
#   scripts/run-tests.sh                         every test program
#   scripts/run-tests.sh unit_tests --gtest_filter='ErrorsRaise.*'
# With a program name, the remaining arguments go to that program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
trap quarvel_stop EXIT
quarvel_start_display --private
quarvel_start_wine

bin="$root/build/x86_64/bin"
everything=1
if [ $# -gt 0 ]; then
    everything=0
    programs=("$1")
    shift
else
    programs=()
    for exe in "$bin"/*_tests.exe; do programs+=("$(basename "$exe" .exe)"); done
fi
# The programs run in a scratch folder: what a test leaves in the current folder (an error
# log, say) never lands in the source tree.
scratch="$root/build/test-cwd"
mkdir -p "$scratch"
failed=()
for program in "${programs[@]}"; do
    echo "=== $program"
    if ! (cd "$scratch" && timeout 400 wine "$bin/$program.exe" --gtest_brief=1 "$@"); then
        failed+=("$program")
    fi
done
# With no program named, the stand-in archiver DLLs are also checked against the Linux tools.
if [ $everything -eq 1 ]; then
    echo "=== archiver interoperability"
    if ! timeout 300 "$root/tests/interop/check-archivers.sh"; then
        failed+=("check-archivers")
    fi
    echo "=== quick freeze checked by the Linux tools"
    if ! timeout 300 "$root/tests/interop/check-freeze.sh"; then
        failed+=("check-freeze")
    fi
    echo "=== archiver interoperability: 7z, ARJ, cabinets"
    if ! timeout 300 "$root/scripts/check-format-interop.sh"; then
        failed+=("check-format-interop")
    fi
fi
if [ ${#failed[@]} -ne 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All tests passed."
