#!/usr/bin/env bash
# The R package's fixtures: what tonalith-cli writes for every function the package wraps, on
# the sample and on a small synthetic record, so that the package's tests compare its numbers
# with the tool's without the tool (a source tarball ships them).
#   fixtures.sh TONALITH_CLI SAMPLE FOLDER
# The tool runs in FOLDER's parent and names its inputs fixtures/..., as the tests do from
# tests/testthat, so that the '#' blocks name the same input.
set -euo pipefail
cli=$(realpath "$1")
sample=$(realpath "$2")
out=$3
mkdir -p "$out"
cd "$out/.."
f=fixtures
cp "$sample" $f/etp.txt
# A core in metres: the first 700 kyr of ETP at 2 cm/kyr, 0.02 m a sample.
awk -F'\t' 'NR == 1 { print "depth_m\tetp"; next }
            NR <= 701 { printf "%.2f\t%s\n", ($1 * 2) / 100, $2 }' $f/etp.txt > $f/core.txt
# The same core with a line that holds no number in the column: dropped, and said so.
awk 'NR == 10 { print "0.15\tn/a" } { print }' $f/core.txt > $f/gap.txt

run() { "$cli" "$@" --quiet; }
run analyze $f/etp.txt --column etp -o $f/analyze.tsv
run analyze $f/core.txt --window 200 --step 20 --tapers 3 --tbw 2 --detrend linear \
    -o $f/analyze_core.tsv
run peaks $f/etp.txt --level 0.95 -o $f/peaks.tsv
run peaks $f/etp.txt --fdr 0.05 -o $f/peaks_fdr.tsv
run spectrum $f/etp.txt -o $f/spectrum.tsv
run spectrum $f/core.txt --background robust --tapers 5 -o $f/spectrum_core.tsv
run trace $f/etp.txt --start 1000:0.0244 -o $f/trace.tsv
run trace $f/etp.txt --start 1000:0.0244 --period 41 --interval 0.9 -o $f/trace_period.tsv
run tune $f/etp.txt --trace $f/trace.tsv --period 41 --step 2 --accept-flags \
    --model $f/tune_model.tsv -o $f/tune.tsv
run tune $f/etp.txt --trace $f/trace.tsv --period 41:1 --accept-flags --ensemble 20 --seed 5 \
    --interval 0.9 --model $f/tune_ensemble_model.tsv -o $f/tune_ensemble.tsv
"$cli" tapers --length 64 --tapers 5 --tbw 3 -o $f/tapers.tsv
run filter $f/core.txt --passband 1.5:3.5 -o $f/filter.tsv
run filter $f/gap.txt --passband 1.5:3.5 -o $f/filter_gap.tsv 2> /dev/null # its warning said
run timeopt $f/core.txt --sims 50 --seed 7 -o $f/timeopt.tsv
run timeopt $f/core.txt --age-ma 300 --interval 0.9 --numsed 40 -o $f/timeopt_age.tsv
run asm $f/core.txt --numsed 40 --sims 200 --seed 4 --tapers 3 -o $f/asm.tsv
run etimeopt $f/core.txt --window-length 6 --step-length 2 --sims 20 --seed 3 \
    --track $f/track.tsv -o $f/etimeopt.tsv
run tune $f/core.txt --sedrate $f/track.tsv --accept-flags --step 5 \
    --model $f/sedrate_model.tsv -o $f/sedrate.tsv
run tune $f/core.txt --sedrate $f/track.tsv --accept-flags --ensemble 10 --seed 2 \
    --model $f/sedrate_ensemble_model.tsv -o $f/sedrate_ensemble.tsv
rm -f fort.17 fort.20 fort.27 # the engine's records, in the tool's working directory
