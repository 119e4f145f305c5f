#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures the picture pipeline side by side with its baselines in one run:
# each figure is the median of paired runs, with the ratio between them.
#   tools/measure-pipeline.sh [runs] [build-dir] [earlier-build-dir]
# An earlier build (of another commit, with its measure_slot_load) has its
# colour figures taken in turn with this build's, to judge a change in one run.
# Needs a build with its tests (./test builds one), djpeg
# (libjpeg-turbo-progs) and ImageMagick's convert.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-9}"
build="${2:-$root/build}"
earlier="${3:-}"
source "$root/tools/measure-lib.sh"
measures="$build/tests"
export QT_QPA_PLATFORM=offscreen

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
front="$work/front.jpg" back="$work/back.jpg"
"$measures/measure_viewer_open" --write "$front" 1
"$measures/measure_viewer_open" --write "$back" 2
echo "two 6000 x 4000 photographs: $(stat -c %s "$front") and $(stat -c %s "$back") bytes"

# Milliseconds a command takes, start to end.
elapsed_ms() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

# The value after "$1: " in the output of the rest.
figure() {
    local label="$1"
    shift
    "$@" | sed -n "s/^$label: //p"
}

load=() scaled=() view=() full=() held=() budget=()
files_kib=$((($(stat -c %s "$front") + $(stat -c %s "$back")) / 1024))
for _ in $(seq "$runs"); do
    load+=("$(figure 'load ms' "$measures/measure_slot_load" "$front")")
    scaled+=("$(elapsed_ms djpeg -scale 1/8 -outfile /dev/null "$front")")
    view+=("$(figure 'view ms' "$measures/measure_viewer_open" "$front" 1)")
    full+=("$(elapsed_ms djpeg -outfile /dev/null "$front")")
    idle_kib=$(figure 'rss KiB' "$measures/measure_slot_load" --idle)
    loaded_kib=$(figure 'rss KiB' "$measures/measure_slot_load" "$front" "$back")
    held+=("$(((loaded_kib - idle_kib) / 1024))")
    budget+=("$(((2 * files_kib + 16 * 1024) / 1024))")
done
report "24 MP JPEG into a slot (against djpeg -scale 1/8)" ms "${load[*]}" "${scaled[*]}"
report "memory held by two loaded covers above idle (against twice the files + 16 MiB)" MiB \
    "${held[*]}" "${budget[*]}"
report "View Image on a 24 MP JPEG (against djpeg)" ms "${view[*]}" "${full[*]}"

# Colours into sRGB: the front photograph untagged, with an Adobe RGB
# profile (Ghostscript's a98.icc from libgs-common, assigned, not converted)
# and as CMYK (Adobe's inverted kind), all three written alike by
# ImageMagick; the load into a slot, and both covers decoded and resampled
# for a 600 dpi page. The CMYK file is larger and slower to decode whatever
# its colours: its load is set against djpeg's reduced decode of that file.
convert "$front" -strip -quality 90 "$work/untagged.jpg"
convert "$front" -strip -profile /usr/share/color/icc/ghostscript/a98.icc -quality 90 \
    "$work/adobe-rgb.jpg"
convert "$front" -strip -colorspace CMYK -quality 90 "$work/cmyk.jpg"
declare -A colour_load colour_print
builds=(this)
[ -n "$earlier" ] && builds+=(earlier)
cmyk_scaled=()
for run in $(seq "$runs"); do
    # Each build, and the untagged and the tagged photograph, first in every
    # other run, so that none gains by its place.
    order=("${builds[@]}") kinds=(untagged adobe-rgb cmyk)
    if [ $((run % 2)) = 0 ]; then
        [ -n "$earlier" ] && order=(earlier this)
        kinds=(adobe-rgb untagged cmyk)
    fi
    for which in "${order[@]}"; do
        tool="$measures/measure_slot_load"
        [ "$which" = earlier ] && tool="$earlier/tests/measure_slot_load"
        for kind in "${kinds[@]}"; do
            out=$("$tool" --print "$work/$kind.jpg")
            colour_load[$which-$kind]+=" $(sed -n 's/^load ms: //p' <<<"$out")"
            colour_print[$which-$kind]+=" $(sed -n 's/^print ms: //p' <<<"$out")"
        done
    done
    cmyk_scaled+=("$(elapsed_ms djpeg -scale 1/8 -outfile /dev/null "$work/cmyk.jpg")")
done
for which in "${builds[@]}"; do
    [ "$which" = earlier ] && echo "the earlier build, $earlier:"
    report "24 MP JPEG into a slot, with an Adobe RGB profile (against untagged)" ms \
        "${colour_load[$which-adobe-rgb]}" "${colour_load[$which-untagged]}"
    report "print preparation of two 24 MP covers, with an Adobe RGB profile (against untagged)" \
        ms "${colour_print[$which-adobe-rgb]}" "${colour_print[$which-untagged]}"
    report "24 MP CMYK JPEG into a slot (against djpeg -scale 1/8)" ms \
        "${colour_load[$which-cmyk]}" "${cmyk_scaled[*]}"
    report "print preparation of two 24 MP CMYK covers (against untagged RGB)" ms \
        "${colour_print[$which-cmyk]}" "${colour_print[$which-untagged]}"
done
if [ -n "$earlier" ]; then
    report "print preparation of two untagged 24 MP covers (against the earlier build)" ms \
        "${colour_print[this-untagged]}" "${colour_print[earlier-untagged]}"
    report "print preparation of two Adobe RGB 24 MP covers (against the earlier build)" ms \
        "${colour_print[this-adobe-rgb]}" "${colour_print[earlier-adobe-rgb]}"
fi
