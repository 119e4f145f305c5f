#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program on a real X server (Xvfb): it opens centred with its title
# band, toolbar and check boxes drawn where they belong, and "x" followed by
# "Yes" ends the process. Before that, without any display, it says what it
# needs and ends with status 1. A drag of the title moves the window with the
# band in its drag colour, by the program's own loop on a bare X server and by
# the window manager (openbox) where there is one; the window manager closing
# the main window ends the program, also under a modal dialog.
#   desktop_test.sh <path to quillane>
set -euo pipefail
program="$1"
work="$(mktemp -d)"
cleanup() {
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null || true
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Runs a check every 50 ms until it holds, for at most $1 seconds.
waitfor() {
    local limit=$(($1 * 20))
    shift
    for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.05; done
    "$@"
}

status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" \
    timeout 20 "$program" 2>"$work/stderr" || status=$?
[ "$status" = 1 ] || fail "without a display the program ended with status $status, not 1"
grep -q "needs a desktop session (X11 or Wayland)" "$work/stderr" || fail "no word of a desktop session: $(cat "$work/stderr")"
grep -q "Xvfb :77" "$work/stderr" || fail "no word of a virtual screen"

# Xvfb picks a free display number and tells it through a file descriptor.
# -noreset: a server left by its last client resets, and refuses the next
# client for that moment.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
waitfor 5 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="quillane.drag.info=true"

start() {
    "$program" 2>"$work/stderr" &
    app=$!
    window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Quillane 2\.2$' | head -n1) ||
        fail "the main window did not appear"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    waitfor 5 band_is "srgb(128,128,255)" || fail "the main window was not drawn"
}

# The title band's colour on the screen now, at (3, 3) of the window.
band_is() {
    import -window root "$work/band.png" &&
        [ "$(convert "$work/band.png" -format "%[pixel:p{$((X + 3)),$((Y + 3))}]" info:)" = "$1" ]
}
ended() { ! kill -0 "$app" 2>/dev/null; }
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
# The window stands at $1,$2; else the pointer moves on to $3,$4 once more.
moved_to() {
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [ "$X,$Y" = "$1,$2" ] && return 0
    xdotool mousemove "$(($3 - 1))" "$4" mousemove "$3" "$4"
    return 1
}

# Drags the title by (100, 50): the window follows with the band in its drag
# colour and the band is back at rest after the release. $1 says who moves it.
drag() {
    eval "$(xdotool getwindowgeometry --shell "$window")"
    local x0=$X y0=$Y
    xdotool mousemove $((X + 60)) $((Y + 8)) mousedown 1
    waitfor 5 band_is "srgb(192,192,255)" || fail "band not in its drag colour"
    xdotool mousemove $((X + 110)) $((Y + 33))
    # A window manager takes the pointer a moment after the press: moves
    # before that are repeated until the window follows.
    waitfor 5 moved_to $((x0 + 100)) $((y0 + 50)) $((x0 + 160)) $((y0 + 58)) ||
        fail "dragged from $x0,$y0 to $X,$Y"
    band_is "srgb(192,192,255)" || fail "band not in its drag colour during the drag"
    xdotool mouseup 1
    waitfor 5 band_is "srgb(128,128,255)" || fail "band not at rest after the drag"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [ "$X,$Y" = "$((x0 + 100)),$((y0 + 50))" ] || fail "dragged from $x0,$y0 to $X,$Y"
    grep -q "quillane.drag: moved by $1" "$work/stderr" || fail "not moved by $1: $(cat "$work/stderr")"
}

start

# CUPS is loaded with the first printer call, not at start.
! grep -q -e libcups -e quillane-cups "/proc/$app/maps" || fail "CUPS loaded at start: $(grep -o '[^/]*cups[^/]*$' "/proc/$app/maps" | sort -u | tr '\n' ' ')"

eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" = 385 ] && [ "$HEIGHT" = 265 ] || fail "window is ${WIDTH}x${HEIGHT}, not 385x265"
[ "$X" = $(((1280 - 385) / 2)) ] || [ "$X" = $(((1280 - 385 + 1) / 2)) ] || fail "window not centred: x=$X"
[ "$Y" = $(((1024 - 265) / 2)) ] || [ "$Y" = $(((1024 - 265 + 1) / 2)) ] || fail "window not centred: y=$Y"

import -window root "$work/shot.png"
pixel() { convert "$work/shot.png" -format "%[pixel:p{$((X + $1)),$((Y + $2))}]" info:; }
expect() { # x y colour what
    local found
    found=$(pixel "$1" "$2")
    [ "$found" = "$3" ] || fail "$4 at ($1,$2) is $found, not $3"
}
expect 3 8 "srgb(128,128,255)" "title band"
expect 380 100 "srgb(255,255,255)" "body"
expect 56 40 "srgb(0,0,0)" "toolbar separator"
expect 200 72 "srgb(0,0,0)" "toolbar bottom line"
# The check boxes' indicators, checked, left in their boxes.
convert "$work/shot.png" -crop "49x17+$((X + 112))+$((Y + 24))" "$work/check1.png"
[ "$(convert "$work/check1.png" -format '%[fx:minima.intensity<0.3]' info:)" = 1 ] || fail "no Front check box"
# The glyphs on the band: dark text somewhere in "?", "_" and "x".
for left in 336 352 368; do
    convert "$work/shot.png" -crop "17x17+$((X + left))+$Y" "$work/glyph.png"
    [ "$(convert "$work/glyph.png" -format '%[fx:minima.intensity<0.3]' info:)" = 1 ] || fail "glyph at $left missing"
done

# "x", then the quit dialog's "&Yes" by its access key: the process ends.
xdotool mousemove $((X + 376)) $((Y + 8)) click 1
quit=$(timeout 10 xdotool search --sync --onlyvisible --name '^Quit$' | head -n1) || fail "no quit dialog"
waitfor 5 focused "$quit" || fail "the quit dialog did not take the keyboard"
xdotool key alt+y
waitfor 5 ended || fail "the program did not end after Quit / Yes"
wait "$app" || fail "the program ended with an error"
app=""
[ -f "$work/config/Quillane/Quillane.conf" ] || fail "settings were not seeded"

start
drag "the program"
kill "$app"
wait "$app" || true
openbox --startup "touch $work/wm-ready" >/dev/null 2>&1 &
wm=$!
waitfor 5 test -e "$work/wm-ready" || fail "openbox did not start"
start
drag "the window system"

# The window manager closes the main window while the quit dialog blocks it:
# the program ends all the same, without an answer.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 376)) $((Y + 8)) click 1
timeout 10 xdotool search --sync --onlyvisible --name '^Quit$' >/dev/null || fail "no quit dialog"
wmctrl -i -c "$window"
waitfor 5 ended || fail "closing the main window under the quit dialog did not end the program"
wait "$app" || fail "the program ended with an error after the window manager closed it"
app=""
echo "PASS"
