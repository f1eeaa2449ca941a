#!/usr/bin/env bash
# Every C++ source of the repository as the root's .clang-format lays it out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
echo "Format: every source as .clang-format lays it out."
