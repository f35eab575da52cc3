#!/usr/bin/env bash
# make-prefix.sh DIR: creates a throwaway Wine prefix for running the programs and tests.
# Windows are unmanaged (no window manager runs in the virtual display, and Wine would otherwise
# wait two seconds for one each time a window is hidden).
set -euo pipefail
prefix=${1:?usage: make-prefix.sh DIR}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"
if [ ! -f "$prefix/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
fi
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
