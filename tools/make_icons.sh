#!/usr/bin/env bash
# Draws the program icons (16, 32 and 48 pixels) into res/icons/. Needs ImageMagick; the
# outputs are committed, so a build needs no image tools.
set -euo pipefail
cd "$(dirname "$0")/.."
out=res/icons
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# moon_icon NAME DISC_COLOUR MOON_COLOUR: a crescent moon on a rounded disc.
moon_icon() {
    local name=$1 disc=$2 moon=$3
    local frames=()
    for s in 16 32 48; do
        local r=$((s * 46 / 100)) c=$((s / 2))
        local mr=$((s * 30 / 100)) mx=$((s * 46 / 100)) my=$((s * 50 / 100))
        local cx=$((mx + s * 14 / 100)) cy=$((my - s * 10 / 100))
        convert -size ${s}x${s} xc:none \
            -fill "$disc" -draw "circle $c,$c $c,$((c - r))" \
            -fill "$moon" -draw "circle $mx,$my $mx,$((my - mr))" \
            -fill "$disc" -draw "circle $cx,$cy $cx,$((cy - mr))" \
            PNG32:"$tmp/$name-$s.png"
        frames+=("$tmp/$name-$s.png")
    done
    convert "${frames[@]}" "$out/$name.ico"
}

moon_icon window '#1f2a3a' '#70e2ff'   # 132: the settings window
moon_icon tray '#222222' '#f2c14e'     # 135: the notification area
moon_icon confirm '#1f2a3a' '#f2c14e'  # 315: the confirmation dialog
