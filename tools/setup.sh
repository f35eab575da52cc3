#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine lacks to build, run and test the programs:
# MinGW-w64 cross compilers, CMake, GoogleTest sources, Wine (32- and 64-bit), a virtual X
# display, ImageMagick and xdotool, NSIS for the setup program, Python with YAML (the release zips
# and the check of the winget manifests), osslsigncode and OpenSSL (signing), the locales the language tests use and the fonts the
# dialogs are laid out with (Wine only recommends its own fonts and Liberation).
# Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
    cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools googletest
    wine wine32:i386 wine64 xvfb xauth xdotool x11-utils imagemagick locales
    fonts-wine fonts-liberation fonts-noto-cjk nsis python3 python3-yaml
    osslsigncode openssl
)
locales_wanted=(en_US.UTF-8 ja_JP.UTF-8 de_DE.UTF-8 fr_FR.UTF-8 es_ES.UTF-8 zh_CN.UTF-8)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
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
    $sudo locale-gen >/dev/null
fi
