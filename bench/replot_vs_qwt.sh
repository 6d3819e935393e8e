#!/usr/bin/env bash
# Redrawing the sample's map (65 x 246, contours, 1200 x 800) with our plot and with Qwt's own
# spectrogram, same data, levels, colours and threads; the last line reads
#   replot: tonalith X ms, qwt Y ms, ratio R      (medians)
#   bench/replot_vs_qwt.sh [BUILD_DIR]   (default build/, which it does not rebuild)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ -x "$build/bin/bench_replot" ] || { echo "build first: $build/bin/bench_replot is missing"; exit 2; }
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bin/bench_replot" 31 2> /dev/null
