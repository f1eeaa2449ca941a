# Sourced by the interoperability checks, after they set $work: each check prints one line,
# and a failed one its output too; $failures counts the failed ones.
failures=0
ok() { echo "  ok    $*"; }
bad() { echo "  FAIL  $*"; failures=$((failures + 1)); }
check() {  # description, command...
    local what=$1
    shift
    if "$@" >"$work/last.log" 2>&1; then ok "$what"; else bad "$what"; cat "$work/last.log"; fi
}
