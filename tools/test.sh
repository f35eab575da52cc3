#!/usr/bin/env bash
# test.sh: sets up the machine, builds both architectures and the setup, runs every test (unit and
# end-to-end) under Wine in one virtual display and one throwaway Wine prefix, and then checks that
# the release comes out the same from two clean clones (tools/reproduce.sh). Ends with the line
# "N passed, N failed" (", N skipped" on a machine that runs no 32-bit programs, where the i686
# build is built without its tests and they are counted as skipped).
# Screenshots and other artifacts go to artifacts/.
set -uo pipefail
cd "$(dirname "$0")/.."

failed_step() { echo "test: $*" >&2; echo "0 passed, 1 failed"; exit 1; }
if [ -z "${TEST_IN_VIRTUAL_DISPLAY:-}" ]; then
    tools/setup.sh || failed_step "setting up the machine failed (tools/setup.sh)"
    . tools/wine-env.sh || failed_step "Wine is not ready (tools/wine-env.sh)"
    # Both builds (the setup holds both), the tests of those this machine runs, and the setup.
    # Programs that tools/run.sh built already are not built again.
    for arch in i686 x86_64; do
        tests=ON
        [[ " $DORMELLO_ARCHS " == *" $arch "* ]] || tests=OFF
        echo "== build $arch (tests: $tests)"
        DORMELLO_TESTS=$tests tools/build.sh "$arch" || failed_step "building $arch failed (tools/build.sh)"
    done
    echo "== package (signed with a throwaway certificate made here)"
    signing=$(mktemp -d)
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Korvane Dormello Test Signing" \
        -keyout "$signing/key.pem" -out "$signing/cert.pem" >/dev/null 2>&1 &&
        openssl pkcs12 -export -inkey "$signing/key.pem" -in "$signing/cert.pem" -out "$signing/test.pfx" \
            -passout pass:test-only >/dev/null 2>&1 || failed_step "no test certificate (openssl)"
    DORMELLO_SIGN_PFX=$signing/test.pfx DORMELLO_SIGN_PASSWORD=test-only tools/package.sh --no-build ||
        { rm -rf "$signing"; failed_step "packaging failed (tools/package.sh)"; }
    rm -rf "$signing"
    # The rest runs inside one virtual display: Wine's desktop process lives as long as the
    # prefix's server and must keep its display.
    tally=$(mktemp)
    env TEST_IN_VIRTUAL_DISPLAY=1 TEST_TALLY="$tally" xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
    read -r passed failed skipped <"$tally" ||
        { echo "test: the tests under Wine ended without a tally"; passed=0; failed=1; skipped=0; }
    rm -f "$tally"
    # The release from two clean clones whose files carry other times must be the same bytes.
    echo "== reproducible release (tools/reproduce.sh)"
    if tools/reproduce.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
    if [ "$skipped" -gt 0 ]; then
        echo "$passed passed, $failed failed, $skipped skipped"
    else
        echo "$passed passed, $failed failed"
    fi
    [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
    exit
fi

root=$(pwd)
: "${TEST_TALLY:?tools/test.sh runs this part itself}"
# A test that needs a language names it in LANG, and the others expect English: the machine's own
# language settings must not override either (LC_ALL, LC_MESSAGES and LANGUAGE take precedence).
unset LANGUAGE $(env | sed -n 's/^\(LC_[A-Z_]*\)=.*/\1/p')
export LANG=C.UTF-8
. tools/wine-env.sh || exit 1
prefix=$(mktemp -d /tmp/dormello-test-prefix.XXXXXX)
cleanup() {
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    rm -rf "$prefix"
}
trap cleanup EXIT

echo "== Wine prefix $prefix"
tools/make-prefix.sh "$prefix" || exit 1

export WINEPREFIX=$prefix WINEDEBUG=-all DORMELLO_ARTIFACTS=$root/artifacts
mkdir -p "$DORMELLO_ARTIFACTS"
# One Wine server (and desktop) for the whole run instead of one per test program; the first
# program started brings the desktop up. A test that restarts the session starts it so again.
export DORMELLO_KEEP_WINESERVER=1
wineserver -p
wine cmd /c exit >/dev/null 2>&1
# The first program ends once the session is up, while the new prefix's wineboot (and the menu
# builder it starts) may still be at work: the tests start after those have ended.
session_starting() {
    local pid
    for pid in $(pgrep -f 'wineboot\.exe|winemenubuilder\.exe'); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" && return 0
    done
    return 1
}
for _ in $(seq 600); do session_starting || break; sleep 0.1; done
# A test program that printed nothing ran no test: tests/support/wine-test.sh starts it once more
# and lists it here, with its exit status and what Wine printed; the list is shown at the end.
export DORMELLO_RELAUNCH_LOG=$DORMELLO_ARTIFACTS/started-again.log
: >"$DORMELLO_RELAUNCH_LOG"

passed=0
failed=0
skipped=0
skip_like_other_build=0
for arch in i686 x86_64; do
    if [[ " $DORMELLO_ARCHS " != *" $arch "* ]]; then
        # Its tests are listed by running them, so they are counted as the other build's.
        echo "== tests ($arch): skipped, this machine runs no 32-bit programs"
        skip_like_other_build=1
        continue
    fi
    echo "== tests ($arch)"
    log=$(mktemp)
    (cd "build/$arch" && ctest --output-on-failure --timeout 300 2>&1) | tee "$log"
    line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -z "$line" ]; then
        echo "no ctest summary for $arch"
        failed=$((failed + 1))
    else
        f=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
        t=$(echo "$line" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
        passed=$((passed + t - f))
        failed=$((failed + f))
        [ "$skip_like_other_build" -eq 1 ] && skipped=$t
    fi
    rm -f "$log"
done

if [ -s "$DORMELLO_RELAUNCH_LOG" ]; then
    echo "== test programs that printed nothing (details in $DORMELLO_RELAUNCH_LOG)"
    grep '^wine-test: ' "$DORMELLO_RELAUNCH_LOG"
fi
echo "== under Wine: $passed passed, $failed failed, $skipped skipped"
echo "$passed $failed $skipped" >"$TEST_TALLY"
