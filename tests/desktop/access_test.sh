#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A desktop for everyone, on a virtual screen and a session bus of the test's
# own: the real program driven by the keyboard alone and read through AT-SPI
# (access_walk.py), without a window manager and under openbox; then the
# windows' captions under GNOME's dark style (the gtk3 platform theme) and a
# dark qt6ct colour scheme.
#   access_test.sh <quillane> <desktop_windows_test>
set -euo pipefail
program="$1" windows_test="$2"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
cleanup() {
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null || true
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# -noreset: a server left by its last client resets, and refuses the next
# client for that moment.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"
convert -size 300x200 xc:red "$work/cover.png"
xdotool mousemove 0 0 # out of the way: keys go to the focused window only

walk() { # $1: what runs the windows
    rm -rf "$work/config"
    timeout --kill-after=5 150 dbus-run-session -- /usr/bin/python3 "$here/access_walk.py" "$program" "$work" "$work/cover.png" ||
        fail "the walk with $1 failed"
}
walk "no window manager"
openbox --startup "touch $work/wm-ready" >"$work/openbox.log" 2>&1 &
wm=$!
for _ in $(seq 200); do [ -e "$work/wm-ready" ] && break; sleep 0.05; done
[ -e "$work/wm-ready" ] || fail "openbox did not start: $(cat "$work/openbox.log")"
walk "openbox"
kill "$wm"
wm=""

mkdir -p "$work/config/qt6ct"
printf '[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\ncustom_palette=true\n' \
    >"$work/config/qt6ct/qt6ct.conf"
export QT_QPA_PLATFORM=xcb QUILLANE_DARK_DESKTOP=1 XDG_CONFIG_HOME="$work/config"
QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark timeout 60 "$windows_test" captionsStayReadableUnderADarkTheme ||
    fail "captions under GNOME's dark style"
QT_QPA_PLATFORMTHEME=qt6ct timeout 60 "$windows_test" captionsStayReadableUnderADarkTheme ||
    fail "captions under a dark qt6ct scheme"
echo "PASS"
