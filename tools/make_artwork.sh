#!/usr/bin/env bash
# Draws all artwork of both programs with ImageMagick: the dialog backgrounds (bitmaps 133 and
# 277), the button skins and the drop shadow (data/Images/), the program icons (res/icons/) and
# the setup's welcome picture (res/installer/).
# The outputs are committed, so a build needs no image tools.
set -euo pipefail
cd "$(dirname "$0")/.."
IM=convert
[ -x /usr/bin/convert ] && IM=/usr/bin/convert
images=data/Images
bitmaps=res/bitmaps
icons=res/icons
mkdir -p "$images" "$bitmaps" "$icons"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The picture of the setup's welcome and finish pages (164 x 314, the size the wizard shows): the
# dialogs' dark face with its header gradient, the accent rule and the crescent moon.
# "make_artwork.sh wizard" makes only this picture.
wizard() {
    mkdir -p res/installer
    "$IM" -size 164x314 xc:'#222222' \
        \( -size 164x60 gradient:'#2e2e2e'-'#222222' \) -geometry +0+0 -composite \
        -fill '#70e2ff' -draw "rectangle 20,46 59,47" \
        -antialias -fill '#f2c14e' -draw "circle 74,170 74,120" \
        -fill '#222222' -draw "circle 98,152 98,104" \
        -fill '#2a2a2a' -draw "rectangle 0,290 163,313" \
        -alpha off -type TrueColor BMP3:res/installer/wizard.bmp
}
wizard
[ "${1:-}" = wizard ] && exit 0

# Geometry shared with the dialogs: 542 x 251 picture, magenta margin (the window region cuts it
# away), opaque body x 9..528, y 8..236 on a #222222 face.
W=542 H=251 BX0=9 BY0=8 BX1=528 BY1=236
FACE='#222222' KEY='#ff00ff' ACCENT='#70e2ff'

# background NAME MOON_COLOUR: the dark body with a thin frame, a header band, an accent rule
# under the title, a footer band for the buttons and a faint crescent moon on the left.
background() {
    local name=$1 moon=$2
    "$IM" -size ${W}x${H} xc:"$KEY" \
        +antialias -fill "$FACE" -draw "rectangle $BX0,$BY0 $BX1,$BY1" \
        \( -size $((BX1 - BX0 - 1))x40 gradient:'#2e2e2e'-"$FACE" \) -geometry +$((BX0 + 1))+$((BY0 + 1)) -composite \
        -fill "$ACCENT" -draw "rectangle 23,46 62,47" \
        -fill '#2a2a2a' -draw "rectangle $((BX0 + 1)),188 $((BX1 - 1)),$((BY1 - 1))" \
        -fill '#303030' -draw "rectangle $((BX0 + 1)),188 $((BX1 - 1)),188" \
        -antialias -fill "$moon" -draw "circle 100,122 100,77" \
        -fill "$FACE" -draw "circle 122,106 122,63" \
        +antialias -fill none -stroke '#3c3c3c' -draw "rectangle $BX0,$BY0 $BX1,$BY1" \
        -alpha off -type TrueColor BMP3:"$bitmaps/$name.bmp"
}
background settings '#26343a'   # 133: the settings window
background confirm '#3a3526'    # 277: the confirmation dialog

# button NAME WIDTH HEIGHT TOP BOTTOM BORDER OPACITY: a rounded face with a vertical gradient.
button() {
    local name=$1 w=$2 h=$3 top=$4 bottom=$5 border=$6 opacity=$7
    "$IM" -size ${w}x${h} xc:none \
        \( -size ${w}x${h} gradient:"$top"-"$bottom" \) \
        \( -size ${w}x${h} xc:none -fill white -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) 5,5" \) \
        -delete 0 -alpha off -compose CopyOpacity -composite -compose Over \
        -fill none -stroke "$border" -strokewidth 1 -draw "roundrectangle 0.5,0.5 $((w - 1)).5,$((h - 1)).5 5,5" \
        -channel A -evaluate multiply "$opacity" +channel \
        -define png:exclude-chunks=all PNG32:"$tmp/$name.png"
    cp "$tmp/$name.png" "$images/$name.png"
}
for size in "button 30" "small_button 24"; do
    set -- $size
    button "${1}_n" 119 "$2" '#434c58' '#2f353e' '#5d6775' 1.0     # normal: slate
    button "${1}_o" 119 "$2" '#2f7d96' '#225d70' "$ACCENT" 1.0    # over: accent blue
    button "${1}_d" 119 "$2" '#173f4d' '#22627a' '#4fb8d6' 1.0    # down: pressed, inverted light
    button "${1}_un" 119 "$2" '#333333' '#2b2b2b' '#404040' 0.75  # disabled (agent)
done
button button_g 119 30 '#505050' '#444444' '#5a5a5a' 0.6          # disabled (confirmation)

# The drop shadow: a soft dark halo around the body, offset down-right, clear over the body itself
# (the shadow window lies above the dialog) and clear elsewhere.
"$IM" -size ${W}x${H} xc:none \
    -fill 'rgba(0,0,0,0.55)' -draw "rectangle $((BX0 + 2)),$((BY0 + 3)) $((BX1 + 2)),$((BY1 + 3))" \
    -channel A -blur 0x4 +channel \
    \( -size ${W}x${H} xc:none -fill black -draw "rectangle $BX0,$BY0 $BX1,$BY1" \) \
    -compose DstOut -composite \
    -define png:exclude-chunks=all PNG32:"$images/bg_shadow01.png"

# moon_icon NAME DISC_COLOUR MOON_COLOUR: a crescent moon on a round disc, 16, 32 and 48 pixels.
moon_icon() {
    local name=$1 disc=$2 moon=$3
    local frames=()
    for s in 16 32 48; do
        local r=$((s * 46 / 100)) c=$((s / 2))
        local mr=$((s * 30 / 100)) mx=$((s * 46 / 100)) my=$((s * 50 / 100))
        local cx=$((mx + s * 14 / 100)) cy=$((my - s * 10 / 100))
        "$IM" -size ${s}x${s} xc:none \
            -fill "$disc" -draw "circle $c,$c $c,$((c - r))" \
            -fill "$moon" -draw "circle $mx,$my $mx,$((my - mr))" \
            -fill "$disc" -draw "circle $cx,$cy $cx,$((cy - mr))" \
            PNG32:"$tmp/$name-$s.png"
        frames+=("$tmp/$name-$s.png")
    done
    "$IM" "${frames[@]}" "$icons/$name.ico"
}
moon_icon window '#1f2a3a' "$ACCENT"  # 132: the settings window
moon_icon tray '#222222' '#f2c14e'    # 135: the notification area
moon_icon confirm '#1f2a3a' '#f2c14e' # 315: the confirmation dialog
