#!/usr/bin/env bash
# The whole test suite: both builds, then every test program under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
# The cheap checks first: the sources' layout and the include layers of src/.
"$root/scripts/check-format.sh"
"$root/scripts/check-layers.sh"
"$root/scripts/build.sh" x86_64
"$root/scripts/build.sh" i686
exec "$root/scripts/run-tests.sh"
