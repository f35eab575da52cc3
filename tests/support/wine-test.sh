#!/usr/bin/env bash
# wine-test.sh [--via LAUNCHER] PROGRAM [ARGS...]: ctest's emulator: runs a GoogleTest program
# under Wine (through LAUNCHER, a script that runs `wine` itself, when given).
# GoogleTest prints and flushes a line before any test starts, so a program that printed nothing
# ran no test: that launch failed inside Wine. Such a program is started once more, and said so
# on stderr and in DORMELLO_RELAUNCH_LOG (when set) with its exit status and what Wine printed.
# A program that printed anything is never started again, and one that prints nothing twice
# fails even when it exits with 0.
set -u
launcher=wine
if [ "${1:-}" = --via ]; then
    launcher=$2
    shift 2
fi
out=$(mktemp "${TMPDIR:-/tmp}/wine-test-out.XXXXXX") || exit 1
err=$(mktemp "${TMPDIR:-/tmp}/wine-test-err.XXXXXX") || exit 1
trap 'rm -f "$out" "$err"' EXIT
# Wine's error channel too, so that a launch that fails inside Wine says why.
export WINEDEBUG=${WINEDEBUG:+$WINEDEBUG,}err+all

# Both outputs pass on as they come; the pipelines end when every process holding them has,
# as ctest's own pipes would.
launch() {
    { { "$launcher" "$@" | tee "$out"; echo "${PIPESTATUS[0]}" >"$out.status"; } 2>&1 >&3 | tee "$err" >&2; } 3>&1
    status=$(cat "$out.status")
    rm -f "$out.status"
}
report() {
    local line="wine-test: $* printed nothing (exit status $status): $what"
    echo "$line" >&2
    [ -n "${DORMELLO_RELAUNCH_LOG:-}" ] || return 0
    { echo "$line"; sed 's/^/    /' "$err"; } >>"$DORMELLO_RELAUNCH_LOG"
}

launch "$@"
[ -s "$out" ] && exit "$status"
what="started once more" report "$@"
launch "$@"
[ -s "$out" ] && exit "$status"
what="not started again" report "$@"
[ "$status" -ne 0 ] || status=1
exit "$status"
