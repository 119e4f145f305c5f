#!/usr/bin/env bash
# Redraws Quillane's icons and About picture with ImageMagick into src/resources.
# The pictures are committed; run this only to change them.
set -euo pipefail
out="$(cd "$(dirname "$0")/../src/resources" && pwd)"
font=/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf
icon() { convert -size "$1" xc:none "${@:3}" "PNG32:$out/$2"; }

# A disc: silver rim, rainbow sheen, hole in the middle.
# Sets the array DISC to the drawing options for a disc at (cx, cy) of radius r.
disc() {
    local cx=$1 cy=$2 r=$3
    DISC=(-fill '#c8cbd6' -stroke '#5a5f73' -strokewidth 1 -draw "circle $cx,$cy $((cx + r)),$cy"
          -fill '#9fd3ff' -stroke none
          -draw "path 'M $cx,$cy L $((cx + r - 1)),$cy A $((r - 1)),$((r - 1)) 0 0,1 $cx,$((cy + r - 1)) Z'"
          -fill '#ffd27f'
          -draw "path 'M $cx,$cy L $((cx - r + 1)),$cy A $((r - 1)),$((r - 1)) 0 0,1 $cx,$((cy - r + 1)) Z'"
          -fill white -stroke '#5a5f73' -draw "circle $cx,$cy $((cx + r / 4)),$cy")
}

# Program icon: a disc in front of its case.
disc 19 17 12
icon 32x32 quillane.png -fill '#8080ff' -stroke '#2b2b80' -draw "roundrectangle 1,3 24,28 2,2" "${DISC[@]}"

# Exit: an open door and an arrow leaving it.
icon 32x32 exit.png -fill '#c0c0c0' -stroke '#404040' -draw "rectangle 4,3 19,28" \
    -fill '#8b5a2b' -stroke '#4a2f12' -draw "polygon 4,3 14,7 14,31 4,28" \
    -fill '#d02020' -stroke none -draw "polygon 17,13 24,13 24,9 31,16 24,23 24,19 17,19"

# Print: a printer with a sheet coming out.
icon 32x32 print.png -fill white -stroke '#404040' -draw "rectangle 9,2 23,12" \
    -fill '#8080ff' -stroke '#2b2b80' -draw "roundrectangle 2,11 29,23 2,2" \
    -fill white -stroke '#404040' -draw "rectangle 8,19 24,30" \
    -stroke '#808080' -draw "line 11,23 21,23" -draw "line 11,26 19,26" \
    -fill '#40c040' -stroke none -draw "rectangle 24,14 26,16"

# Print settings: a page with a border and a dashed fold line.
icon 32x32 settings.png -fill white -stroke '#404040' -draw "rectangle 6,2 26,30" \
    -fill none -stroke '#8080ff' -strokewidth 2 -draw "rectangle 9,5 23,27" \
    -stroke '#d02020' -strokewidth 1 -draw "line 13,5 13,8" -draw "line 13,11 13,14" \
    -draw "line 13,17 13,20" -draw "line 13,23 13,26"

# View image: a magnifying glass over a picture.
icon 32x32 view.png -fill '#9fd3ff' -stroke '#404040' -draw "rectangle 2,2 22,18" \
    -fill '#40a040' -stroke none -draw "polygon 3,17 9,9 14,14 17,11 21,17" \
    -fill 'rgba(255,255,255,0.6)' -stroke '#202020' -strokewidth 2 -draw "circle 18,18 18,10" \
    -stroke '#8b5a2b' -strokewidth 4 -draw "line 24,24 30,30"

# Help: a question mark in a blue ball.
icon 32x32 help.png -fill '#4060e0' -stroke '#203080' -draw "circle 16,16 16,1" \
    -fill white -stroke none -font "$font" -pointsize 24 -gravity center -annotate +0+1 '?'

# Search strip: open (pointing down) and close (pointing up).
icon 16x16 search-show.png -fill '#ff8000' -stroke '#804000' -draw "polygon 2,4 14,4 8,12"
icon 16x16 search-hide.png -fill '#ff8000' -stroke '#804000' -draw "polygon 2,12 14,12 8,4"

# About picture, 267 x 120: the name beside a disc on a blue wash.
disc 60 60 46
convert -size 267x120 gradient:'#8080ff'-'#ffffff' "${DISC[@]}" -fill none -stroke white -strokewidth 2 -draw "circle 60,60 60,13" \
    -fill '#1a1a66' -stroke none -font "$font" -pointsize 34 -annotate +120+62 'Quillane' \
    -fill '#303080' -pointsize 12 -annotate +122+84 'disc cover printer' \
    -quality 92 "$out/about.jpg"
