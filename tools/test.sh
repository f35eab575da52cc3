#!/usr/bin/env bash
# test.sh: sets up the machine, builds both architectures and the setup, and runs every test
# (unit and end-to-end) under Wine in one virtual display and one throwaway Wine prefix. Ends with the
# line "N passed, N failed" (", N skipped" on a machine that cannot run the 32-bit build).
# Screenshots and other artifacts go to artifacts/.
set -uo pipefail
cd "$(dirname "$0")/.."

if [ -z "${TEST_IN_VIRTUAL_DISPLAY:-}" ]; then
    tools/setup.sh || exit 1
    # Both builds, and the setup that the install tests run.
    echo "== build i686 and x86_64, package (signed with a throwaway certificate made here)"
    signing=$(mktemp -d)
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Korvane Dormello Test Signing" \
        -keyout "$signing/key.pem" -out "$signing/cert.pem" >/dev/null 2>&1 &&
        openssl pkcs12 -export -inkey "$signing/key.pem" -in "$signing/cert.pem" -out "$signing/test.pfx" \
            -passout pass:test-only >/dev/null 2>&1 || { echo "no test certificate"; echo "0 passed, 1 failed"; exit 1; }
    DORMELLO_SIGN_PFX=$signing/test.pfx DORMELLO_SIGN_PASSWORD=test-only tools/package.sh ||
        { rm -rf "$signing"; echo "build or package failed"; echo "0 passed, 1 failed"; exit 1; }
    rm -rf "$signing"
    # The rest runs inside one virtual display: Wine's desktop process lives as long as the
    # prefix's server and must keep its display.
    exec env TEST_IN_VIRTUAL_DISPLAY=1 xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi

root=$(pwd)
# A test that needs a language names it in LANG, and the others expect English: the machine's own
# language settings must not override either (LC_ALL, LC_MESSAGES and LANGUAGE take precedence).
unset LANGUAGE $(env | sed -n 's/^\(LC_[A-Z_]*\)=.*/\1/p')
export LANG=C.UTF-8
. tools/wine-env.sh
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
# program started brings the desktop up.
wineserver -p
wine cmd /c exit >/dev/null 2>&1

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

if [ "$skipped" -gt 0 ]; then
    echo "$passed passed, $failed failed, $skipped skipped"
else
    echo "$passed passed, $failed failed"
fi
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
