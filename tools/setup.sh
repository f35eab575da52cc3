#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine lacks to build, run and test the programs:
# MinGW-w64 cross compilers, CMake, GoogleTest sources, Wine (64-bit, and 32-bit where the
# machine runs 32-bit programs: tools/runs-32bit.sh), a virtual X
# display, ImageMagick and xdotool, NSIS for the setup program, Python with YAML (the release zips
# and the check of the winget manifests), osslsigncode and OpenSSL (signing), the locales the language tests use and the fonts the
# dialogs are laid out with (Wine only recommends its own fonts and Liberation), and git (the
# release names its commit; tools/reproduce.sh clones the checkout).
# Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
    cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools googletest
    wine wine64 xvfb xauth xdotool x11-utils imagemagick locales
    fonts-wine fonts-liberation fonts-noto-cjk nsis python3 python3-yaml
    osslsigncode openssl git
)
locales_wanted=(en_US.UTF-8 ja_JP.UTF-8 de_DE.UTF-8 fr_FR.UTF-8 es_ES.UTF-8 zh_CN.UTF-8)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# Wine's 32-bit half, only where it can run: on a kernel without IA-32 emulation it would be
# about a hundred i386 packages that nothing can start.
if [ -z "${DORMELLO_64BIT_ONLY:-}" ] && "$(dirname "$0")/runs-32bit.sh"; then
    packages+=(wine32:i386)
else
    echo "setup: this machine runs no 32-bit programs${DORMELLO_64BIT_ONLY:+ (DORMELLO_64BIT_ONLY)}: Wine's 32-bit half is left out"
fi

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    log=$(mktemp)
    apt_get() {  # what: runs apt-get with the rest; on failure shows its last lines and ends set-up
        local what=$1; shift
        DEBIAN_FRONTEND=noninteractive $sudo apt-get "$@" >"$log" 2>&1 && return 0
        local code=$?
        tail -n 20 "$log" >&2
        echo "setup: $what failed (apt-get exit $code): its last lines are above" >&2
        exit 1
    }
    if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    apt_get "updating the package lists" update -qq
    apt_get "installing ${missing[*]}" install -y -qq --no-install-recommends "${missing[@]}"
    rm -f "$log"
fi

# Wine takes the user's language from the Unix locale, but only when that locale exists.
generate=0
for l in "${locales_wanted[@]}"; do
    if ! locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}"; then
        $sudo sed -i "s/^# *\(${l} UTF-8\)/\1/" /etc/locale.gen
        grep -q "^${l} UTF-8" /etc/locale.gen || echo "${l} UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
        generate=1
    fi
done
if [ "$generate" -eq 1 ]; then
    $sudo locale-gen >/dev/null || { echo "setup: locale-gen failed (exit $?)" >&2; exit 1; }
fi
