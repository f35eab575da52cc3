#!/usr/bin/env bash
# reproduce.sh [COMMIT]: makes the unsigned release twice, from two clean clones of COMMIT (HEAD by
# default) in two folders of different names whose files carry different times, and checks that
# every release file comes out with the same SHA-256. Ends with "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
commit=$(git rev-parse "${1:-HEAD}") || exit 1
tools/setup.sh || exit 1
base=$(mktemp -d /tmp/dormello-reproduce.XXXXXX)
trap 'rm -rf "$base"' EXIT
sides=(a "second-clone-in-a-longer-folder")
for side in "${sides[@]}"; do
    git clone -q "$(pwd)" "$base/$side" && git -C "$base/$side" checkout -q "$commit" || exit 1
done
# Another time on every file of the second clone: nothing may carry it into the release.
find "$base/${sides[1]}" -path '*/.git' -prune -o -exec touch -h -d '2001-02-03 04:05:06' {} +
for side in "${sides[@]}"; do
    echo "== package in $base/$side"
    (cd "$base/$side" && unset DORMELLO_SIGN_PFX && DORMELLO_TESTS=OFF tools/package.sh >"$base/$side.log" 2>&1) ||
        { tail -n 20 "$base/$side.log"; echo "0 passed, 1 failed"; exit 1; }
done
passed=0
failed=0
# Every file of the release, the programs of both builds and the winget manifests included.
while IFS= read -r name; do
    file="$base/${sides[0]}/dist/$name"
    first=$(sha256sum <"$file" | cut -d' ' -f1)
    second=$(sha256sum <"$base/${sides[1]}/dist/$name" 2>/dev/null | cut -d' ' -f1)
    if [ "$first" = "$second" ]; then
        echo "same      $first  $name"
        passed=$((passed + 1))
    else
        echo "DIFFERENT $first ${second:-missing}  $name"
        failed=$((failed + 1))
    fi
done < <(cd "$base/${sides[0]}/dist" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
