#!/usr/bin/env bash
# bench.sh [all|i686|x86_64] [repetitions [idle seconds]]: sets up the machine, builds, and runs
# the benchmark (tests/bench) under Wine in a throwaway prefix and a virtual display; prints each
# figure beside its baseline measured in the same run, and the question's start-up phases.
# Figures never fail it; a figure that cannot be measured does. Takes a few minutes per build.
set -uo pipefail
cd "$(dirname "$0")/.."
arch=${1:-all}
[ $# -gt 0 ] && shift
archs=("$arch")
[ "$arch" = all ] && archs=(i686 x86_64)

if [ -z "${BENCH_IN_VIRTUAL_DISPLAY:-}" ]; then
    tools/setup.sh || exit 1
    for a in "${archs[@]}"; do
        echo "== build $a"
        tools/build.sh "$a" || { echo "build of $a failed"; exit 1; }
    done
    exec env BENCH_IN_VIRTUAL_DISPLAY=1 xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$arch" "$@"
fi

# Debian's wine script takes the 32-bit loader whenever it is installed. On a kernel without
# 32-bit emulation that loader cannot start: 64-bit programs then run through wine64 itself,
# and the 32-bit build cannot be measured.
runs32=1
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    runs32=0
    if /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
        shim=$(mktemp -d /tmp/dormello-bench-wine.XXXXXX)
        printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' >"$shim/wine"
        cp "$shim/wine" "$shim/wine-stable"
        chmod +x "$shim/wine" "$shim/wine-stable"
        export PATH=$shim:$PATH
    fi
fi

echo "== machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"\
     "$(wine --version 2>/dev/null), load $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
for a in "${archs[@]}"; do
    echo "== $a"
    if [ "$a" = i686 ] && [ $runs32 -eq 0 ]; then
        echo "bench: the i686 build cannot be measured here: this kernel runs no 32-bit programs (Wine's 32-bit loader fails)"
        status=1
        continue
    fi
    prefix=$(mktemp -d /tmp/dormello-bench-prefix.XXXXXX)
    tools/make-prefix.sh "$prefix" || exit 1
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1
    WINEPREFIX=$prefix WINEDEBUG=-all python3 tools/bench_measure.py "build/$a" "$@" || status=1
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    rm -rf "$prefix"
done
[ -n "${shim:-}" ] && rm -rf "$shim"
exit $status
