# Sourced by the shell checks: a scratch folder ($work, removed on exit), `check WHAT COMMAND...`,
# which counts and prints each outcome (the command's output shown when it fails), `checks_end`,
# which prints the count and fails on any failure, and `reg`, Windows' reg.exe in the test prefix
# (WINEPREFIX and TQ_WINE set as for the other tests), whose exit status its pipe keeps: a set-up
# write that fails, or takes over a minute, stops the script. A reader that stops early (grep -q)
# would break that pipe.
set -o pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {
    local what=$1; shift
    if "$@" >"$work/out" 2>&1; then passed=$((passed + 1)); echo "ok: $what"
    else failed=$((failed + 1)); echo "FAILED: $what"; sed 's/^/  /' "$work/out"; fi
}
checks_end() {
    echo "$1: $passed passed, $failed failed"
    [ $failed -eq 0 ]
}
reg() { WINEDEBUG=-all timeout -k 5 60 "$TQ_WINE" reg "$@" </dev/null 2>/dev/null | tr -d '\r'; }
