#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for the
# given number of seconds (60 when not given), starting from the seed corpus.
# New inputs and any crash go to a temporary folder, which is kept and named
# when a target fails.
#   tests/fuzz/run-fuzzers.sh [seconds] [target...]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_pictures fuzz_settings fuzz_profiles)

CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -DQUILLANE_FUZZ=ON >/dev/null
cmake --build "$root/build-fuzz" --parallel "$(nproc)" >/dev/null

export ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
work="$(mktemp -d)"
for target in "${targets[@]}"; do
    seeds="$root/tests/fuzz/corpus/${target#fuzz_}"
    mkdir -p "$work/$target"
    echo "$target: ${seconds} s from $(ls "$seeds" | wc -l) seeds"
    if ! "$root/build-fuzz/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$work/$target/" \
        "$work/$target" "$seeds" >"$work/$target.log" 2>&1; then
        tail -n 60 "$work/$target.log"
        echo "$target FAILED: its log and the input are in $work" >&2
        exit 1
    fi
    grep -E "^Done|stat::(number_of_executed_units|new_units_added|peak_rss_mb)" "$work/$target.log"
done
rm -rf "$work"
