#!/usr/bin/env bash
# Runs one fuzz target for a number of seconds on its seed corpus, in a scratch folder (the
# engine writes its auxiliary files into the working directory).
#   run_fuzzer.sh FUZZER SEED_CORPUS SECONDS [NEW_CORPUS]
set -euo pipefail
fuzzer=$1
seeds=$2
seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
found=${4:-$work/new}
mkdir -p "$found"
cd "$work"
"$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 "$found" "$seeds" 2>&1 |
  grep -E "stat::number_of_executed_units|stat::new_units_added|ERROR|SUMMARY|crash-|Done" || true
test "${PIPESTATUS[0]}" -eq 0
