// Lines that pass a level by chance: how many local maxima of the harmonic F statistic white
// noise lifts above a level in one window, counted as the lines are (core's findPeaks: a bin
// above the level that no neighbour exceeds).
//
// Under white noise the tapers' eigencoefficients Y_k(f) and their neighbours in frequency
// are jointly complex Gaussian, E[Y_j(f + a) conj(Y_k(f + b))] = sum_t v_j v_k e^{-2 pi i (a -
// b) tau} with tau the time from the window's middle (circular away from frequency 0 and
// Nyquist), and F = (K - 1) |u'Y|^2 / (|Y|^2 - |u'Y|^2) with u the unit direction of the
// tapers' sums. The expected count is taken by Monte Carlo over that distribution, drawn
// given F from F's own tail above the level (|u'Y|^2 ~ Exp(1), the rest ~ Gamma(K - 1)):
//   on a grid of bins, the probability that a bin lies above the level and above both its
//   neighbours, times the bins kept;
//   on a grid fine enough that this is the limit (kFineGrid bins or more on 1 / window), the
//   Kac-Rice density of local maxima E[|F''| 1(F'' < 0) 1(F > u) delta(F')] over the range,
//   with Y' and Y'' jointly Gaussian with Y (E[Y_j^(p) conj(Y_k^(q))] = (2 pi)^(p+q) (-i)^p
//   i^q sum_t tau^(p+q) v_j v_k) and delta(F') the density of F', linear in Y', at 0.
// Near frequency 0 the coefficients turn real and are not circular, and bin 0 (the mean) is a
// neighbour but never a line: the bins up to the half-bandwidth W are counted on simulated
// windows of white noise (kLowDraws of them) instead.
// The tapers are those of min(window, 1000) samples at the window's bandwidth in cycles per
// window (their shape hardly changes beyond a few hundred samples); every case is computed
// once per process, from fixed seeds, the same on every platform.
#pragma once

#include "core/analysis/RunParameters.h"

namespace results {

// Bins on 1 / window from which the count is the continuous one.
constexpr double kFineGrid = 32;

// The expected number of lines per window reaching probability `level` (0 < level < 1) in
// white noise, over the frequencies above 0 a run keeps; 0 with one taper (no F-test).
double expectedChanceLines(const analysis::RunParameters& p, double level);

} // namespace results
