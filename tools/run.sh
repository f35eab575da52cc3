#!/usr/bin/env bash
# run.sh [--screenshot FILE]: sets up the machine, builds, and runs the agent under Wine in a
# persistent prefix inside the checkout (.wine/, ignored by git): on $DISPLAY when there is
# one, else in a virtual display. With --screenshot, opens the settings window, saves a picture
# of it to FILE, and ends the agent.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

shot=""
if [ "${1:-}" = "--screenshot" ]; then
    shot=$(realpath -m "${2:?--screenshot needs a file name}")
fi

tools/setup.sh
tools/build.sh i686 >/dev/null
export WINEPREFIX=$root/.wine WINEDEBUG=-all
tools/make-prefix.sh "$WINEPREFIX"

if [ -z "${DISPLAY:-}" ] && [ -z "${RUN_IN_VIRTUAL_DISPLAY:-}" ]; then
    # No display: start again inside a virtual one.
    exec env RUN_IN_VIRTUAL_DISPLAY=1 xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi
if [ -z "${RUN_IN_VIRTUAL_DISPLAY:-}" ]; then
    # A real desktop has a window manager: let it manage Wine's windows.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1
fi

agent=$root/dist/i686/Dormkey.exe
if [ -z "$shot" ]; then
    echo "Dormkey runs hidden; start it again (tools/run.sh in another shell) to open its settings window."
    exec wine "$agent"
fi

wine "$agent" &
for _ in $(seq 50); do
    xdotool search --name '^KvHybridS3$' >/dev/null 2>&1 && break
    sleep 0.2
done
wine "$agent"            # a second start opens the settings window of the first
sleep 1.5
geometry=$(xdotool search --onlyvisible --name '^KvHybridS3$' getwindowgeometry --shell 2>/dev/null | head -n 5 || true)
import -window root "$shot"
if [ -n "$geometry" ]; then
    eval "$geometry"
    convert "$shot" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
fi
echo "saved $shot"
wineserver -k
