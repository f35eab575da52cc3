# wine-env.sh: sourced, after tools/setup.sh has installed Wine, by the commands that run Wine.
# Sets DORMELLO_ARCHS to the builds this machine runs ("i686 x86_64", or "x86_64") and
# DORMELLO_WINE_KIND to the loaders that run them ("wow64": both, "64only": the 64-bit one), the
# mark tools/make-prefix.sh keeps in a prefix so that one made by the other loader is not reused.
#
# Some kernels run no 32-bit programs (IA-32 emulation off). Whether this one does is decided by
# running one (tools/runs-32bit.sh), and then Wine's own 32-bit loader, never by whether a loader
# file exists. Where they do not run, Debian's `wine` would still pick its 32-bit loader: `wine`
# is pointed at the 64-bit loader, which runs the x86_64 build; the i686 build can be built but
# not run. DORMELLO_64BIT_ONLY=1 makes a machine that runs 32-bit programs act as one that does not.
dormello_wine_loader32=/usr/lib/wine/wine
dormello_wine_loader64=/usr/lib/wine/wine64
if [ ! -x "$dormello_wine_loader64" ]; then
    echo "wine-env: Wine's 64-bit loader $dormello_wine_loader64 is missing: run tools/setup.sh first" >&2
    return 1
fi
DORMELLO_ARCHS="i686 x86_64"
DORMELLO_WINE_KIND=wow64
if [ -n "${DORMELLO_64BIT_ONLY:-}" ]; then
    echo "wine-env: DORMELLO_64BIT_ONLY is set: acting as on a machine that runs no 32-bit programs" >&2
    DORMELLO_WINE_KIND=64only
elif ! "$(dirname "${BASH_SOURCE[0]}")/runs-32bit.sh"; then
    echo "wine-env: this machine runs no 32-bit programs: the x86_64 build alone runs" >&2
    DORMELLO_WINE_KIND=64only
elif ! dormello_loader_says=$("$dormello_wine_loader32" --version 2>&1); then
    echo "wine-env: Wine's 32-bit loader does not run ($dormello_wine_loader32: ${dormello_loader_says:-missing}): the x86_64 build alone runs" >&2
    DORMELLO_WINE_KIND=64only
fi
if [ "$DORMELLO_WINE_KIND" = 64only ]; then
    DORMELLO_ARCHS="x86_64"
    dormello_wine_bin=${TMPDIR:-/tmp}/dormello-wine64-$(id -u)
    mkdir -p "$dormello_wine_bin"
    # Other shells of this user may be starting Wine through these files at this moment: one is
    # written only when it differs, and then put in place whole by a rename. Truncating it under
    # them made a launch fail ("text file busy") or run an empty script that passed.
    dormello_wrapper=$(printf '#!/bin/sh\nexec %s "$@"' "$dormello_wine_loader64")
    for name in wine wine-stable; do
        [ "$(cat "$dormello_wine_bin/$name" 2>/dev/null)" = "$dormello_wrapper" ] && [ -x "$dormello_wine_bin/$name" ] &&
            continue
        printf '%s\n' "$dormello_wrapper" >"$dormello_wine_bin/$name.$$"
        chmod +x "$dormello_wine_bin/$name.$$"
        mv -f "$dormello_wine_bin/$name.$$" "$dormello_wine_bin/$name"
    done
    export PATH=$dormello_wine_bin:$PATH WINELOADER=$dormello_wine_loader64
fi
export DORMELLO_ARCHS DORMELLO_WINE_KIND
