#!/usr/bin/env bash
# bench.sh [all|i686|x86_64] [repetitions [idle seconds]]: sets up the machine, builds, and runs
# the benchmark (tests/bench) under Wine in a throwaway prefix and a virtual display; prints each
# figure beside its baseline measured in the same run, and the question's start-up phases.
# Figures never fail it; a figure that cannot be measured does. Takes a few minutes per build.
# With BENCH_PREVIOUS_REV=<git revision> the keys are also typed with that revision's hook
# library (built from its sources here, beside this checkout's agent), for a comparison in the
# same run.
set -uo pipefail
cd "$(dirname "$0")/.."
arch=${1:-all}
[ $# -gt 0 ] && shift
archs=("$arch")
[ "$arch" = all ] && archs=(i686 x86_64)  # narrowed below to the builds this machine runs

if [ -z "${BENCH_IN_VIRTUAL_DISPLAY:-}" ]; then
    tools/setup.sh || exit 1
    for a in "${archs[@]}"; do
        echo "== build $a"
        tools/build.sh "$a" || { echo "build of $a failed"; exit 1; }
    done
    if [ -n "${BENCH_PREVIOUS_REV:-}" ]; then
        previous=$(mktemp -d /tmp/dormello-bench-previous.XXXXXX)
        git archive "$BENCH_PREVIOUS_REV" | tar -x -C "$previous" || { echo "no revision $BENCH_PREVIOUS_REV"; exit 1; }
        for a in "${archs[@]}"; do
            echo "== build the hook library of $BENCH_PREVIOUS_REV ($a)"
            (cd "$previous" && cmake --preset "$a" >/dev/null && cmake --build --preset "$a" --target Keytap >/dev/null) ||
                { echo "build of the previous hook library failed"; exit 1; }
        done
        export BENCH_PREVIOUS_DIR=$previous
    fi
    exec env BENCH_IN_VIRTUAL_DISPLAY=1 xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$arch" "$@"
fi

. tools/wine-env.sh || exit 1
if [ "$arch" = all ]; then
    archs=($DORMELLO_ARCHS)
    [ "$DORMELLO_ARCHS" = x86_64 ] && echo "bench: i686 left out: this machine runs no 32-bit programs"
fi

echo "== machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"\
     "$(wine --version 2>/dev/null), load $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
for a in "${archs[@]}"; do
    echo "== $a"
    if [[ " $DORMELLO_ARCHS " != *" $a "* ]]; then
        echo "bench: the i686 build cannot be measured here: this kernel runs no 32-bit programs (Wine's 32-bit loader fails)"
        status=1
        continue
    fi
    prefix=$(mktemp -d /tmp/dormello-bench-prefix.XXXXXX)
    tools/make-prefix.sh "$prefix" || exit 1
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1
    previous_keytap=
    [ -n "${BENCH_PREVIOUS_DIR:-}" ] && previous_keytap=$BENCH_PREVIOUS_DIR/dist/$a/Keytap.dll
    WINEPREFIX=$prefix WINEDEBUG=-all BENCH_PREVIOUS_KEYTAP=$previous_keytap \
        python3 tools/bench_measure.py "build/$a" "$@" || status=1
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    rm -rf "$prefix"
done
[ -n "${BENCH_PREVIOUS_DIR:-}" ] && rm -rf "$BENCH_PREVIOUS_DIR"
exit $status
