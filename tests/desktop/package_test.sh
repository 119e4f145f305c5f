#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: built with CPack from the build folder into a folder of
# the test's own, it passes lintian's checks (pedantic ones included) with no
# error or warning, declares what the program needs at run time, carries the
# copyright file and changelog, and the program unpacked from it (never
# installed) starts and finds its help file and icon inside the unpacked tree.
#   package_test.sh <build folder>
set -euo pipefail
build="$1"
work="$(mktemp -d)"
cleanup() {
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/out/quillane_2.2*.deb)
lintian --pedantic --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian found errors or warnings"; }
depends=$(dpkg-deb -f "$deb" Depends)
for needed in fonts-liberation libqt6svg6 libgs-common liblcms2-2 libqt6widgets6 libcups2; do
    grep -q "\b$needed\b" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
for file in bin/quillane lib/quillane/quillane-cups.so share/quillane/quilldoc.hlp share/man/man1/quillane.1.gz \
    share/applications/example.quillane.Quillane.desktop \
    share/metainfo/example.quillane.Quillane.metainfo.xml \
    share/icons/hicolor/scalable/apps/quillane.svg share/doc/quillane/copyright \
    share/doc/quillane/changelog.gz; do
    [ -f "$root/usr/$file" ] || fail "the package lacks /usr/$file"
done
for size in 16 24 32 48 64 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/quillane.png"
    [ "$(identify -format %wx%h "$png")" = "${size}x${size}" ] || fail "no ${size} px icon"
done

QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="quillane.files.info=true" \
    XDG_CONFIG_HOME="$work/config" "$root/usr/bin/quillane" 2>"$work/stderr" &
app=$!
for _ in $(seq 100); do grep -q "printing module:" "$work/stderr" && break; sleep 0.1; done
kill -0 "$app" 2>/dev/null || { cat "$work/stderr"; fail "the unpacked program did not keep running"; }
# The printing module, loaded at the first print, is where the program looks.
grep -qx "quillane.files: printing module: $root/usr/lib/quillane/quillane-cups.so" "$work/stderr" ||
    { cat "$work/stderr"; fail "the printing module is not looked for in the unpacked tree"; }
grep -qx "quillane.files: help file: $root/usr/share/quillane/quilldoc.hlp" "$work/stderr" ||
    { cat "$work/stderr"; fail "the help file was not found in the unpacked tree"; }
grep -qx "quillane.files: icon: $root/usr/share/icons/hicolor/scalable/apps/quillane.svg" "$work/stderr" ||
    { cat "$work/stderr"; fail "the icon was not found in the unpacked tree"; }
echo "PASS"
