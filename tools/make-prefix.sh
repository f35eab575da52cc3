#!/usr/bin/env bash
# make-prefix.sh DIR: creates a Wine prefix for running the programs and tests, or reuses the one
# in DIR when the same Wine loaders made it. Needs tools/wine-env.sh sourced first.
# Windows are unmanaged (no window manager runs in the virtual display, and Wine would otherwise
# wait two seconds for one each time a window is hidden).
set -euo pipefail
prefix=${1:?usage: make-prefix.sh DIR}
kind=${DORMELLO_WINE_KIND:?make-prefix.sh: source tools/wine-env.sh first}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mark=$prefix/.dormello-wine-kind
fail() { echo "make-prefix: $*" >&2; exit 1; }

# A prefix that the 64-bit loader made alone lacks its 32-bit half, and one made with both is more
# than the 64-bit loader alone keeps up: never reuse a prefix across the two.
if [ -f "$prefix/system.reg" ] && [ "$(cat "$mark" 2>/dev/null)" != "$kind" ]; then
    echo "make-prefix: $prefix was made by other Wine loaders than \"$kind\": making it anew"
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
fi
mkdir -p "$prefix"
log=$prefix/.dormello-make-prefix.log
if [ ! -f "$prefix/system.reg" ]; then
    wineboot -i >"$log" 2>&1 ||
        { code=$?; tail -n 20 "$log" >&2; fail "wineboot -i failed (exit $code) in $prefix: its last lines are above"; }
    # Wine's first start of the prefix ends only when its server does.
    wineserver -w
    [ -f "$prefix/system.reg" ] || { tail -n 20 "$log" >&2; fail "wineboot -i made no registry in $prefix"; }
    echo "$kind" >"$mark"
fi
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$log" 2>&1 ||
    { code=$?; tail -n 20 "$log" >&2; fail "the first program in $prefix did not run (wine reg add, exit $code): its last lines are above"; }
wineserver -w
