#!/usr/bin/env bash
# at-each-scale.sh TEST_PROGRAM: runs TEST_PROGRAM's ScaledSession table once for each display
# scale, each in a Wine session of the test's prefix started anew at that LogPixels: Wine (10 on)
# gives the monitors the DPI its session started with. The LogPixels before is put back, and the
# session restarted at it; DORMELLO_KEEP_WINESERVER=1 (tools/test.sh) leaves that server persistent.
set -u
program=$1
desktop='HKCU\Control Panel\Desktop'
reference=$(mktemp "${TMPDIR:-/tmp}/dormello-scaling.XXXXXX")
trap 'rm -f "$reference"' EXIT

restart_session() {
    wineserver -k 2>/dev/null
    wineserver -w
}
set_log_pixels() {
    if [ -n "$1" ]; then
        wine reg add "$desktop" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    else
        wine reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1
    fi
}

before=$(wine reg query "$desktop" /v LogPixels 2>/dev/null | awk '$1 == "LogPixels" { print $3 }' | tr -d '\r')
failed=0
for dpi in 96 120 144 192 288; do
    echo "== at $dpi DPI"
    set_log_pixels "$dpi"
    restart_session
    DORMELLO_SCALING_DPI=$dpi DORMELLO_SCALING_REFERENCE="Z:${reference//\//\\}" \
        wine "$program" --gtest_filter='ScaledSession.*' || failed=1
done
set_log_pixels "${before:+$((before))}"
restart_session
if [ -n "${DORMELLO_KEEP_WINESERVER:-}" ]; then
    wineserver -p >/dev/null 2>&1 </dev/null
    wine cmd /c exit >/dev/null 2>&1
fi
exit $failed
