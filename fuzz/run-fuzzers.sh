#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every fuzz target for SECONDS on its seed corpus (fuzz/corpus/NAME,
# never changed) plus the inputs found so far (BUILD/corpus/NAME) and prints
# per target its executions, coverage and time. Fails on the first finding;
# the input that caused it is left as BUILD/crash-* / BUILD/leak-*.
set -eu
BUILD=$1
SECONDS_EACH=$2
shift 2
for name in "$@"; do
    work="$BUILD/corpus/$name"
    log="$BUILD/$name.log"
    mkdir -p "$work"
    start=$(date +%s)
    if ! "$BUILD/fuzz/${name}_fuzz" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 \
            -timeout=20 -print_final_stats=1 -artifact_prefix="$BUILD/" \
            "$work" "fuzz/corpus/$name" >"$log" 2>&1; then
        echo "fuzz $name: FAILED, see $log" >&2
        grep -E "ERROR|SUMMARY|Test unit written" "$log" >&2 || true
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -E "^#[0-9]+" "$log" | tail -1 | sed -n 's/.*cov: \([0-9]*\) ft: \([0-9]*\) corp: \([0-9]*\).*/\1 edges, \2 features, \3 inputs/p')
    echo "fuzz $name: $runs executions in $(( $(date +%s) - start )) s, coverage $cov"
done
