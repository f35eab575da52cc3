# wine-env.sh: sourced by the commands that run Wine. Sets DORMELLO_ARCHS to the builds this
# machine can run. Some virtual machines run no 32-bit user code at all (the kernel's IA-32
# emulation is off, and every i386 program fails with "Exec format error"); Debian's `wine`
# would still pick its 32-bit loader there. Then `wine` is pointed at the 64-bit loader, which
# runs the x86_64 build, and the i686 build can be built but not run.
dormello_wine_loader32=/usr/lib/wine/wine
dormello_wine_loader64=/usr/lib/wine/wine64
DORMELLO_ARCHS="i686 x86_64"
if [ -x "$dormello_wine_loader32" ] && ! "$dormello_wine_loader32" --version >/dev/null 2>&1 &&
   [ -x "$dormello_wine_loader64" ]; then
    DORMELLO_ARCHS="x86_64"
    dormello_wine_bin=${TMPDIR:-/tmp}/dormello-wine64-$(id -u)
    mkdir -p "$dormello_wine_bin"
    for name in wine wine-stable; do
        printf '#!/bin/sh\nexec %s "$@"\n' "$dormello_wine_loader64" >"$dormello_wine_bin/$name"
        chmod +x "$dormello_wine_bin/$name"
    done
    export PATH=$dormello_wine_bin:$PATH WINELOADER=$dormello_wine_loader64
fi
export DORMELLO_ARCHS
