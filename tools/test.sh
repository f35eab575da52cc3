#!/usr/bin/env bash
# test.sh: sets up the machine, builds both architectures and the setup, and runs every test (unit and
# end-to-end) under Wine in one virtual display and one throwaway Wine prefix. Ends with the
# line "N passed, N failed". Screenshots and other artifacts go to artifacts/.
set -uo pipefail
cd "$(dirname "$0")/.."

if [ -z "${TEST_IN_VIRTUAL_DISPLAY:-}" ]; then
    tools/setup.sh || exit 1
    # Both builds, and the setup that the install tests run.
    echo "== build i686 and x86_64, package"
    tools/package.sh || { echo "build or package failed"; echo "0 passed, 1 failed"; exit 1; }
    # The rest runs inside one virtual display: Wine's desktop process lives as long as the
    # prefix's server and must keep its display.
    exec env TEST_IN_VIRTUAL_DISPLAY=1 xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi

root=$(pwd)
prefix=$(mktemp -d /tmp/dormello-test-prefix.XXXXXX)
shim=$(mktemp -d /tmp/dormello-test-wine.XXXXXX)
cleanup() {
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    rm -rf "$prefix" "$shim"
}
trap cleanup EXIT

# A machine whose kernel runs no 32-bit programs (its 32-bit emulation off) still runs Wine's
# 64-bit loader, and with it every 64-bit Windows program; "wine" (and "wine-stable", which
# wineboot runs) would pick the 32-bit one.
archs="i686 x86_64"
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 && [ -x /usr/lib/wine/wine64 ]; then
    printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' > "$shim/wine"
    chmod +x "$shim/wine"
    ln -s wine "$shim/wine-stable"
    export PATH="$shim:$PATH"
    archs="x86_64"
    echo "== this machine runs no 32-bit programs: the i686 tests cannot run here and are left out"
fi
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
for arch in $archs; do
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
    fi
    rm -f "$log"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
