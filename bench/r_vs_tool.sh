#!/usr/bin/env bash
# The R package against the tool on the same work, the median of 20 runs each: analyze on the
# sample (65 windows x 246 frequencies) and timeopt with 1000 simulations on 2000 samples (the
# sample's ETP as a core at 2 cm/kyr). R runs all 20 in one process; the tool is started
# each time, its time the process's wall time (it reads the file and writes its rows too).
# The last lines read
#   analyze: R X ms, tool Y ms, difference D ms (P %)
#   timeopt: R X ms, tool Y ms, difference D ms (P %)
#   bench/r_vs_tool.sh [BUILD_DIR] [LIBRARY]
# (default build/ and the library CTest installed the package into, BUILD_DIR/r/library)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
library=${2:-$build/r/library}
cli=$(realpath "$build/bin/tonalith-cli")
[ -f "$library/tonalith/DESCRIPTION" ] ||
  { echo "install the R package first (ctest -R r_package_install): $library"; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sample=$(realpath app/resources/etp.txt)
awk -F'\t' 'NR == 1 { print "depth_m\tetp"; next }
            NR <= 2001 { printf "%.2f\t%s\n", ($1 * 2) / 100, $2 }' "$sample" > "$work/core.txt"
runs=20

median_tool_ms() { # the median wall time of the tool's command, in ms
  for _ in $(seq $runs); do
    start=$(date +%s%N)
    (cd "$work" && "$cli" "$@" --quiet -o /dev/null)
    echo $(( ($(date +%s%N) - start) / 1000 ))
  done | sort -n | awk '{ t[NR] = $1 } END { print (t[int((NR + 1) / 2)] + t[int(NR / 2) + 1]) / 2000 }'
}
tool_analyze=$(median_tool_ms analyze "$sample")
tool_timeopt=$(median_tool_ms timeopt "$work/core.txt" --sims 1000)

R_LIBS="$library" Rscript - "$sample" "$work/core.txt" "$runs" "$tool_analyze" "$tool_timeopt" <<'R'
library(tonalith)
args <- commandArgs(trailingOnly = TRUE)
runs <- as.integer(args[3])
median_ms <- function(work) { # work is evaluated anew in each run
    call <- substitute(work)
    at <- parent.frame()
    median(replicate(runs, system.time(eval(call, at))[["elapsed"]])) * 1000
}
records <- tempfile("records")
dir.create(records)
etp <- read_record(args[1])
core <- read_record(args[2])
r_analyze <- median_ms(analyze(etp, records = records))
r_timeopt <- median_ms(timeopt(core, sims = 1000))
report <- function(what, r, tool)
    cat(sprintf("%s: R %.1f ms, tool %.1f ms, difference %.1f ms (%.1f %%)\n", what, r, tool,
                r - tool, 100 * (r - tool) / tool))
report("analyze", r_analyze, as.numeric(args[4]))
report("timeopt", r_timeopt, as.numeric(args[5]))
R
