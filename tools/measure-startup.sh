#!/usr/bin/env bash
# Time from starting Quillane to its window being mapped on an X display
# (default: a private Xvfb). Prints one line per run, in milliseconds.
#   tools/measure-startup.sh [runs]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
display=:79
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
sleep 1
export DISPLAY="$display" XDG_CONFIG_HOME="$(mktemp -d)"
for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$root/build/src/quillane" 2>/dev/null &
    app=$!
    until xdotool search --onlyvisible --name '^Quillane 2\.2$' >/dev/null 2>&1; do :; done
    end=$(date +%s%N)
    echo "$(((end - start) / 1000000)) ms"
    kill "$app"
    wait "$app" 2>/dev/null || true
done
