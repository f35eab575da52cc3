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

FACE='#222222' KEY='#ff00ff' ACCENT='#70e2ff'
K=100
# px LENGTH: a length of the 100 % picture at scale K, rounded as the programs round it.
px() { echo $((($1 * K + 50) / 100)); }
# suffix: the file name ending of scale K ("" at 100 %).
suffix() { [ "$K" = 100 ] && echo "" || echo "_$K"; }

# The picture of the setup's welcome and finish pages (164 x 314 at 100 %, the size the wizard
# shows): the dialogs' dark face with its header gradient, the accent rule and the crescent moon.
# The setup shows the 200 % picture, which the wizard scales down to its page at smaller scales.
# "make_artwork.sh wizard" makes only these pictures.
wizard() {
    mkdir -p res/installer
    "$IM" -size $(px 164)x$(px 314) xc:'#222222' \
        \( -size $(px 164)x$(px 60) gradient:'#2e2e2e'-'#222222' \) -geometry +0+0 -composite \
        -fill '#70e2ff' -draw "rectangle $(px 20),$(px 46) $(($(px 60) - 1)),$(($(px 48) - 1))" \
        -antialias -fill '#f2c14e' -draw "circle $(px 74),$(px 170) $(px 74),$(px 120)" \
        -fill '#222222' -draw "circle $(px 98),$(px 152) $(px 98),$(px 104)" \
        -fill '#2a2a2a' -draw "rectangle 0,$(px 290) $(($(px 164) - 1)),$(($(px 314) - 1))" \
        -alpha off -type TrueColor BMP3:res/installer/wizard$(suffix).bmp
}
[ "${1:-}" = scaled ] || wizard
K=200 wizard
[ "${1:-}" = wizard ] && exit 0

# Geometry shared with the dialogs: 542 x 251 picture, magenta margin (the window region cuts it
# away), opaque body x 9..528, y 8..236 on a #222222 face. Every picture is drawn at 100 % (the
# committed originals) and at the scales in SCALES, from the same geometry: a program at another
# scale scales the next larger picture down, never a smaller one up.
SCALES="150 200 300"

# background NAME MOON_COLOUR: the dark body with a thin frame, a header band, an accent rule
# under the title, a footer band for the buttons and a faint crescent moon on the left. At 100 %
# the 24-bit BMP resource; at the other scales a PNG resource.
background() {
    local name=$1 moon=$2
    local W H X0 Y0 X1 Y1 F out
    W=$(px 542) H=$(px 251) X0=$(px 9) Y0=$(px 8) X1=$(($(px 529) - 1)) Y1=$(($(px 237) - 1)) F=$(px 1)
    out="BMP3:$bitmaps/$name.bmp"
    [ "$K" = 100 ] || out="PNG24:$bitmaps/$name$(suffix).png"
    # The frame: one stroke at 100 %, as the originals were drawn; four bars F pixels wide elsewhere.
    local frame=(-fill none -stroke '#3c3c3c' -draw "rectangle $X0,$Y0 $X1,$Y1")
    [ "$K" = 100 ] || frame=(-fill '#3c3c3c' -draw "rectangle $X0,$Y0 $X1,$((Y0 + F - 1))"
        -draw "rectangle $X0,$((Y1 - F + 1)) $X1,$Y1" -draw "rectangle $X0,$Y0 $((X0 + F - 1)),$Y1"
        -draw "rectangle $((X1 - F + 1)),$Y0 $X1,$Y1")
    "$IM" -size ${W}x${H} xc:"$KEY" \
        +antialias -fill "$FACE" -draw "rectangle $X0,$Y0 $X1,$Y1" \
        \( -size $((X1 - X0 - 2 * F + 1))x$(px 40) gradient:'#2e2e2e'-"$FACE" \) -geometry +$((X0 + F))+$((Y0 + F)) -composite \
        -fill "$ACCENT" -draw "rectangle $(px 23),$(px 46) $(($(px 63) - 1)),$(($(px 48) - 1))" \
        -fill '#2a2a2a' -draw "rectangle $((X0 + F)),$(px 188) $((X1 - F)),$((Y1 - F))" \
        -fill '#303030' -draw "rectangle $((X0 + F)),$(px 188) $((X1 - F)),$(($(px 189) - 1))" \
        -antialias -fill "$moon" -draw "circle $(px 100),$(px 122) $(px 100),$(px 77)" \
        -fill "$FACE" -draw "circle $(px 122),$(px 106) $(px 122),$(px 63)" \
        +antialias "${frame[@]}" \
        -alpha off -type TrueColor -define png:exclude-chunks=all "$out"
}

# button NAME WIDTH HEIGHT TOP BOTTOM BORDER OPACITY: a rounded face with a vertical gradient.
button() {
    local name=$1 w h top=$4 bottom=$5 border=$6 opacity=$7
    w=$(px "$2") h=$(px "$3")
    local r sw half
    r=$(px 5) sw=$(px 1) half=$(awk "BEGIN { print $(px 1) / 2 }")
    local far_x far_y
    far_x=$(awk "BEGIN { print $w - $half }") far_y=$(awk "BEGIN { print $h - $half }")
    "$IM" -size ${w}x${h} xc:none \
        \( -size ${w}x${h} gradient:"$top"-"$bottom" \) \
        \( -size ${w}x${h} xc:none -fill white -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) $r,$r" \) \
        -delete 0 -alpha off -compose CopyOpacity -composite -compose Over \
        -fill none -stroke "$border" -strokewidth "$sw" -draw "roundrectangle $half,$half $far_x,$far_y $r,$r" \
        -channel A -evaluate multiply "$opacity" +channel \
        -define png:exclude-chunks=all PNG32:"$tmp/$name.png"
    cp "$tmp/$name.png" "$images/$name$(suffix).png"
}

# The drop shadow: a soft dark halo around the body, offset down-right, clear over the body itself
# (the shadow window lies above the dialog) and clear elsewhere.
shadow() {
    local W H X0 Y0 X1 Y1
    W=$(px 542) H=$(px 251) X0=$(px 9) Y0=$(px 8) X1=$(($(px 529) - 1)) Y1=$(($(px 237) - 1))
    "$IM" -size ${W}x${H} xc:none \
        -fill 'rgba(0,0,0,0.55)' -draw "rectangle $((X0 + $(px 2))),$((Y0 + $(px 3))) $((X1 + $(px 2))),$((Y1 + $(px 3)))" \
        -channel A -blur 0x$(px 4) +channel \
        \( -size ${W}x${H} xc:none -fill black -draw "rectangle $X0,$Y0 $X1,$Y1" \) \
        -compose DstOut -composite \
        -define png:exclude-chunks=all PNG32:"$images/bg_shadow01$(suffix).png"
}

# skin: everything a window shows, at scale K.
skin() {
    background settings '#26343a'   # 133: the settings window
    background confirm '#3a3526'    # 277: the confirmation dialog
    for size in "button 30" "small_button 24"; do
        set -- $size
        button "${1}_n" 119 "$2" '#434c58' '#2f353e' '#5d6775' 1.0     # normal: slate
        button "${1}_o" 119 "$2" '#2f7d96' '#225d70' "$ACCENT" 1.0    # over: accent blue
        button "${1}_d" 119 "$2" '#173f4d' '#22627a' '#4fb8d6' 1.0    # down: pressed, inverted light
        button "${1}_un" 119 "$2" '#333333' '#2b2b2b' '#404040' 0.75  # disabled (agent)
    done
    button button_g 119 30 '#505050' '#444444' '#5a5a5a' 0.6          # disabled (confirmation)
    shadow
}
# "make_artwork.sh scaled" draws only the other scales: the committed 100 % pictures stay as they
# are (another ImageMagick may move their pixels).
[ "${1:-}" = scaled ] || skin
for K in $SCALES; do
    skin
done
K=100

# moon_icon NAME DISC_COLOUR MOON_COLOUR: a crescent moon on a round disc at every size the shell
# asks for from 100 % to 400 % (small icons 16 to 64 pixels, large ones 32 to 256).
moon_icon() {
    local name=$1 disc=$2 moon=$3
    local frames=()
    for s in 16 20 24 32 40 48 64 256; do
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
