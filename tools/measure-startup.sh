#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Time from starting a program to its window being mapped on a private Xvfb,
# Quillane and a minimal Qt Widgets window in turn. Prints each pair, then
# the medians and their ratio.
#   tools/measure-startup.sh [runs] [build-dir]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-9}"
build="${2:-$root/build}"
source "$root/tools/measure-lib.sh"

config="$(mktemp -d)"
# A display number of its own, so that other virtual screens are left alone.
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 3>"$config/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$config"' EXIT
for _ in $(seq 50); do [ -s "$config/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$config/display")" XDG_CONFIG_HOME="$config"

# Milliseconds from start to the window titled $1 being mapped.
time_to_window() {
    local title="$1"
    shift
    local start end app
    start=$(date +%s%N)
    "$@" 2>/dev/null &
    app=$!
    until xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; do
        if (($(date +%s%N) - start > 20000000000)); then
            echo "no window \"$title\" within 20 s" >&2
            kill "$app"
            exit 1
        fi
    done
    end=$(date +%s%N)
    kill "$app"
    wait "$app" 2>/dev/null || true
    echo $(((end - start) / 1000000))
}

quillane=() minimal=()
for run in $(seq "$runs"); do
    quillane+=("$(time_to_window '^Quillane 2\.2$' "$build/src/quillane")")
    minimal+=("$(time_to_window '^Minimal Qt window$' "$build/tests/minimal_window")")
    echo "run $run: quillane ${quillane[-1]} ms, minimal window ${minimal[-1]} ms"
done
report "start to window mapped" ms "${quillane[*]}" "${minimal[*]}"
