#!/usr/bin/env bash
# run.sh [--screenshot FILE | --demo DIR]: sets up the machine, builds, and runs the agent under
# Wine in a persistent prefix inside the checkout (.wine/, ignored by git): on $DISPLAY when
# there is one, else in a virtual display.
#   --screenshot FILE  opens the settings window, saves a picture of it to FILE, ends the agent.
#   --demo DIR         shows the road in pictures, in English and in Japanese, at 100 % and at
#                      200 % display scaling: the settings window, then the question that holding
#                      Alt+F1 brings up (answered with Cancel, so nothing sleeps). Saves
#                      DIR/settings-<lang>.png and DIR/confirmation-<lang>.png, and at 200 %
#                      DIR/settings-<lang>-200.png and DIR/confirmation-<lang>-200.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

mode=run
target=""
case "${1:-}" in
--screenshot) mode=screenshot; target=$(realpath -m "${2:?--screenshot needs a file name}") ;;
--demo) mode=demo; target=$(realpath -m "${2:?--demo needs a folder}") ;;
esac

fail() { echo "run: $*" >&2; exit 1; }
if [ -z "${RUN_SET_UP:-}" ]; then
    tools/setup.sh || fail "setting up the machine failed (tools/setup.sh)"
fi
. tools/wine-env.sh || fail "Wine is not ready (tools/wine-env.sh)"
# The 32-bit build, unless this machine runs only 64-bit programs; the programs alone, not the
# tests (tools/test.sh adds those later without building the programs again).
arch=${DORMELLO_ARCHS%% *}
if [ -z "${RUN_SET_UP:-}" ]; then
    echo "run: building the $arch programs"
    log=$(mktemp)
    DORMELLO_TESTS=OFF tools/build.sh "$arch" >"$log" 2>&1 ||
        { tail -n 30 "$log" >&2; fail "building the $arch programs failed (tools/build.sh): its last lines are above"; }
    rm -f "$log"
fi
# A prefix of its own for each kind of Wine loaders (see tools/wine-env.sh).
export WINEPREFIX=$root/.wine WINEDEBUG=-all
if [ "$DORMELLO_WINE_KIND" = 64only ]; then WINEPREFIX=$root/.wine64; fi
tools/make-prefix.sh "$WINEPREFIX" || fail "making the Wine prefix $WINEPREFIX failed"

if [ -z "${DISPLAY:-}" ] && [ -z "${RUN_IN_VIRTUAL_DISPLAY:-}" ]; then
    # No display: start again inside a virtual one.
    exec env RUN_SET_UP=1 RUN_IN_VIRTUAL_DISPLAY=1 xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi
if [ -z "${RUN_IN_VIRTUAL_DISPLAY:-}" ]; then
    # A real desktop has a window manager: let it manage Wine's windows.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1
fi

agent=$root/dist/$arch/Dormkey.exe

wait_for_window() {  # title: waits until a visible window of that title exists
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    return 1
}

shoot() {  # title file: saves the visible window of that title as a picture
    wait_for_window "$1" || fail "no visible window \"$1\" to take a picture of"
    sleep 1
    local geometry X Y WIDTH HEIGHT WINDOW SCREEN
    geometry=$(xdotool search --onlyvisible --name "^$1\$" getwindowgeometry --shell 2>/dev/null | head -n 5) ||
        fail "the window \"$1\" went away before its picture was taken"
    eval "$geometry"
    import -window root "$2" && convert "$2" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2" ||
        fail "saving the picture $2 failed"
    echo "saved $2"
}

start_agent() {
    wine "$agent" &
    local agent_run=$!
    for _ in $(seq 100); do
        if xdotool search --name '^KvHybridS3$' >/dev/null 2>&1; then
            sleep 2  # let it finish starting
            return 0
        fi
        kill -0 "$agent_run" 2>/dev/null || { wait "$agent_run"; fail "the agent ended at its start (wine exit $?)"; }
        sleep 0.2
    done
    fail "the agent's window did not come within 20 s of its start"
}

case $mode in
run)
    echo "Dormkey runs hidden; start it again (tools/run.sh in another shell) to open its settings window."
    exec wine "$agent"
    ;;
screenshot)
    start_agent
    wine "$agent" || fail "the second start of the agent failed (exit $?)"  # it opens the first one's settings window
    shoot KvHybridS3 "$target"
    wineserver -k
    ;;
demo)
    mkdir -p "$target"
    for scale in 100 200; do
        suffix=""
        [ "$scale" = 200 ] && suffix=-200
        for lang in en ja; do
            wineserver -k || true
            # The programs started from now on draw at this scale (96 DPI is 100 %).
            wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $((scale * 96 / 100)) /f >/dev/null 2>&1
            # Wine takes the user's language from the locale it starts with.
            locale=en_US.UTF-8
            [ "$lang" = ja ] && locale=ja_JP.UTF-8
            export LANG=$locale LC_ALL=$locale
            wine reg delete 'HKLM\Software\Korvane' /f >/dev/null 2>&1 || true
            start_agent
            wine "$agent"
            shoot KvHybridS3 "$target/settings-$lang$suffix.png"
            xdotool key Escape   # hides the settings window again
            sleep 1
            xdotool keydown alt keydown F1 sleep 0.3 keyup F1 keyup alt
            if wait_for_window 'Korvane Dormello Message'; then
                shoot 'Korvane Dormello Message' "$target/confirmation-$lang$suffix.png"
                xdotool key Escape
            else
                fail "the question did not appear after Alt+F1"
            fi
            sleep 1
            wineserver -k
        done
    done
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
    wineserver -k || true
    ;;
esac
