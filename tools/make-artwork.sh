#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Redraws Quillane's About picture with ImageMagick into src/resources, at its
# own size and at twice that for high-density screens. The icons are SVG files
# drawn by hand in the same folder. The pictures are committed; run this only
# to change them.
set -euo pipefail
out="$(cd "$(dirname "$0")/../src/resources" && pwd)"
font=/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf

# A disc: silver rim, rainbow sheen, hole in the middle.
# Sets the array DISC to the drawing options for a disc at (cx, cy) of radius r.
disc() {
    local cx=$1 cy=$2 r=$3
    DISC=(-fill '#c8cbd6' -stroke '#5a5f73' -strokewidth "$s" -draw "circle $cx,$cy $((cx + r)),$cy"
          -fill '#9fd3ff' -stroke none
          -draw "path 'M $cx,$cy L $((cx + r - s)),$cy A $((r - s)),$((r - s)) 0 0,1 $cx,$((cy + r - s)) Z'"
          -fill '#ffd27f'
          -draw "path 'M $cx,$cy L $((cx - r + s)),$cy A $((r - s)),$((r - s)) 0 0,1 $cx,$((cy - r + s)) Z'"
          -fill white -stroke '#5a5f73' -draw "circle $cx,$cy $((cx + r / 4)),$cy")
}

# About picture, 267 x 120 (s = 1) and 534 x 240 (s = 2): the name beside a
# disc on a blue wash.
for s in 1 2; do
    disc $((60 * s)) $((60 * s)) $((46 * s))
    name=about.jpg
    [ "$s" = 1 ] || name="about@${s}x.jpg"
    convert -size $((267 * s))x$((120 * s)) gradient:'#8080ff'-'#ffffff' "${DISC[@]}" \
        -fill none -stroke white -strokewidth $((2 * s)) -draw "circle $((60 * s)),$((60 * s)) $((60 * s)),$((13 * s))" \
        -fill '#1a1a66' -stroke none -font "$font" -pointsize $((34 * s)) -annotate +$((120 * s))+$((62 * s)) 'Quillane' \
        -fill '#303080' -pointsize $((12 * s)) -annotate +$((122 * s))+$((84 * s)) 'disc cover printer' \
        -quality 92 "$out/$name"
done
