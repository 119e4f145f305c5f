#!/usr/bin/env bash
# Installs the Debian packages Quillane needs (those missing only), then
# configures and builds it. Sourced by ./run and ./test.
#   quillane_setup <build-dir> <package-set: run|test> [cmake options...]
set -euo pipefail

QUILLANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What building and running need.
QUILLANE_RUN_PACKAGES=(cmake make g++ qt6-base-dev libcups2-dev libjpeg62-turbo-dev fonts-liberation)
# What the tests need besides: a private print scheduler with a PDF queue,
# a rasteriser for printed pages, a virtual screen for real windows, and
# clang's libFuzzer for the fuzz targets.
QUILLANE_TEST_PACKAGES=(cups cups-client cups-filters poppler-utils xvfb xauth xdotool imagemagick
    clang libclang-rt-14-dev)

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
    if ! "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" </dev/null; then
        # A fresh machine may not have package lists yet.
        "${sudo[@]}" apt-get update </dev/null
        "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
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
