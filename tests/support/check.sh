# The small harness of the shell tests, sourced by each: a scratch folder
# removed at exit, `check NAME CONDITION...` counting and naming failures,
# and `finish` printing the counts and giving the status.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {
    local name=$1
    shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}
