#!/usr/bin/env bash
# compare-at-96dpi.sh [REVISION]: both windows at 96 DPI, in English and Japanese, from REVISION's
# programs (df866bd by default, the last before display scaling) and from this checkout's, taken by
# the same test in one Wine session on this machine (fonts differ between Wine versions), then
# compared pixel by pixel: every pair must be identical (ImageMagick's compare -metric AE is 0).
# Builds x86_64; ends with "N passed, N failed" and keeps the pictures in artifacts/at-96dpi/.
set -uo pipefail
cd "$(dirname "$0")/.."
revision=${1:-df866bd}
arch=x86_64
tools/setup.sh || exit 1
. tools/wine-env.sh || exit 1
base=$(mktemp -d /tmp/dormello-at-96dpi.XXXXXX)
prefix=$base/prefix
trap 'WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1; rm -rf "$base"' EXIT

echo "== build this checkout's programs and the scaling test ($arch)"
{ cmake --preset "$arch" -DDORMELLO_TESTS=ON >/dev/null &&
  cmake --build --preset "$arch" --target scaling_e2e scaling_e2e_ja -j"$(nproc)" >"$base/build.log" 2>&1; } ||
    { tail -n 20 "$base/build.log"; echo "0 passed, 1 failed"; exit 1; }
echo "== build the programs of $revision ($arch)"
mkdir "$base/old"
git archive "$revision" | tar -x -C "$base/old" || { echo "no revision $revision"; exit 1; }
(cd "$base/old" && DORMELLO_TESTS=OFF tools/build.sh "$arch" >"$base/old.log" 2>&1) ||
    { tail -n 20 "$base/old.log"; echo "0 passed, 1 failed"; exit 1; }

tools/make-prefix.sh "$prefix" || exit 1
pictures=$(pwd)/artifacts/at-96dpi
rm -rf "$pictures"
mkdir -p "$pictures/old" "$pictures/new"
# One session at 96 DPI for all four runs; the test program is this checkout's for both sides.
WINEPREFIX=$prefix WINEDEBUG=-all xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
    wineserver -p; wine cmd /c exit >/dev/null 2>&1
    for side in old new; do
        under_test=; [ $side = old ] && under_test=$0/old/dist/'"$arch"'
        for language in C.UTF-8 ja_JP.UTF-8; do
            program=scaling_e2e; [ $language = C.UTF-8 ] || program=scaling_e2e_ja
            echo "== $side programs, $language"
            LANG=$language LC_ALL=$language DORMELLO_SCALING_DPI=96 DORMELLO_ARTIFACTS='"$pictures"'/$side \
                DORMELLO_PROGRAMS_UNDER_TEST=$under_test \
                wine build/'"$arch"'/tests/e2e/scaling/$program.exe --gtest_filter="ScaledSession.*" >$0/$side-$language.log 2>&1 ||
                { tail -n 30 $0/$side-$language.log; echo "(the $side programs failed the table at 96 DPI)"; }
        done
    done
    wineserver -k' "$base"

passed=0
failed=0
for name in settings-scale-100-en settings-scale-100-ja confirmation-scale-100-en confirmation-scale-100-ja; do
    old=$pictures/old/$name.bmp new=$pictures/new/$name.bmp
    if [ ! -s "$old" ] || [ ! -s "$new" ]; then
        echo "missing   $name"; failed=$((failed + 1)); continue
    fi
    differing=$(compare -metric AE "$old" "$new" null: 2>&1)
    if [ "$differing" = 0 ]; then
        echo "identical $name"; passed=$((passed + 1))
    else
        echo "differ    $name: $differing pixels"; failed=$((failed + 1))
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
