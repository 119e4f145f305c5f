#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Quillane needs (those missing only), then
# configures and builds it. Sourced by ./run and ./test.
#   quillane_setup <build-dir> <package-set: run|test> [cmake options...]
set -euo pipefail

QUILLANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What building and running need: besides Qt and CUPS, the picture libraries
# (libjpeg-turbo, libpng, libtiff, libwebp), LittleCMS and the press profile
# for untagged CMYK (libgs-common), Arial's metric twin, the SVG icon engine
# and rsvg-convert, which draws the theme icons for installing.
QUILLANE_RUN_PACKAGES=(cmake make g++ qt6-base-dev libcups2-dev libjpeg62-turbo-dev libpng-dev libtiff-dev
    libwebp-dev libxcb1-dev pkg-config liblcms2-dev libgs-common fonts-liberation libqt6svg6
    librsvg2-bin)
# What the tests need besides: a private print scheduler with a PDF queue,
# rasterisers for printed PDF and PostScript pages, a virtual screen for real
# windows and a window manager that moves and closes them, the desktop's
# validators for the launcher entry and metainfo, dpkg-dev for the Debian
# package, clang's libFuzzer for the fuzz targets, and djpeg, the baseline
# the picture measurements compare with.
QUILLANE_TEST_PACKAGES=(cups cups-client cups-filters poppler-utils ghostscript xvfb xauth xdotool imagemagick
    openbox wmctrl desktop-file-utils appstream dpkg-dev clang libclang-rt-14-dev libjpeg-turbo-progs)
# A driverless (IPP Everywhere) printer for the print tests, with the message
# bus it needs.
QUILLANE_TEST_PACKAGES+=(cups-ipp-utils dbus-daemon)
# libtiff's and libwebp's tools and Qt's TIFF writer, which make test pictures.
QUILLANE_TEST_PACKAGES+=(libtiff-tools webp qt6-image-formats-plugins)

# lintian for the Debian package; for the desktop checks a session bus, the
# screen reader's service (AT-SPI) with its Python client, and GNOME's dark
# style through the gtk3 platform theme and qt6ct's colour schemes.
QUILLANE_TEST_PACKAGES+=(lintian dbus dbus-x11 at-spi2-core python3-pyatspi qt6-gtk-platformtheme qt6ct
    gnome-themes-extra adwaita-icon-theme)

quillane_install() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "Quillane needs these Debian packages: ${missing[*]}" >&2
            echo "Install them as root (apt-get install ${missing[*]}) and run this again." >&2
            exit 1
        fi
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    # Another install may hold the package lock for a while: wait for it.
    local apt=("${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600)
    if ! "${apt[@]}" install -y --no-install-recommends "${missing[@]}" </dev/null; then
        # A fresh machine may not have package lists yet.
        "${apt[@]}" update </dev/null
        "${apt[@]}" install -y --no-install-recommends "${missing[@]}" </dev/null
    fi
}

quillane_setup() {
    local build_dir="$1" package_set="$2"
    shift 2
    if [ "$package_set" = test ]; then
        quillane_install "${QUILLANE_RUN_PACKAGES[@]}" "${QUILLANE_TEST_PACKAGES[@]}"
    else
        quillane_install "${QUILLANE_RUN_PACKAGES[@]}"
    fi
    cmake -S "$QUILLANE_ROOT" -B "$build_dir" "$@" >/dev/null
    cmake --build "$build_dir" --parallel "$(nproc)"
}
