# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the measuring scripts: medians of paired runs and their ratio.

# The median of the numbers given as arguments.
median() {
    printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END {
        if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# report WHAT UNIT "measured values" "baseline values"
report() {
    local what="$1" unit="$2" measured baseline
    # shellcheck disable=SC2086
    measured=$(median $3)
    # shellcheck disable=SC2086
    baseline=$(median $4)
    awk -v w="$what" -v u="$unit" -v m="$measured" -v b="$baseline" 'BEGIN {
        printf "%s: median %s %s against baseline %s %s, ratio %.2fx\n", w, m, u, b, u, (b ? m / b : 0) }'
}
