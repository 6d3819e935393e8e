// A probability interval for the frequency of a traced line in its window, from the window's
// eigencoefficients, the tapered transforms of the harmonic F-test (D. J. Thomson, Spectrum
// estimation and harmonic analysis, Proc. IEEE 70, 1055-1096, 1982, sec. XIII).
//
// Near a line of frequency f the eigencoefficients at the traced bin's frequency c are
//   y_k(c) = mu V_k(c - f) + noise,  V_k(d) = sum_t v_k(t) exp(-2 pi i d t),
// the noise independent between the tapers with one variance where the spectrum is locally
// white: a regression of 2K real observations on three unknowns (mu's modulus and phase, and
// f). Its least squares give the line's frequency between the bins, the f of largest
//   E(f) = |sum_k conj(V_k(c - f)) y_k(c)|^2 / sum_k |V_k(c - f)|^2,
// and the interval holds every f whose residual sum of squares exceeds the least by at most
// t^2 s^2, s^2 the least residual sum over its 2K - 3 degrees of freedom and t Student's on
// them: the likelihood-ratio interval of nonlinear least squares (E. M. L. Beale, Confidence
// regions in non-linear estimation, J. R. Stat. Soc. B 22, 41-88, 1960). The interval is then
// stretched to hold the bin the trace reports, the quantisation of the transform's frequency
// grid. A jackknife over the tapers (Thomson and Chave 1991), tried first, covered the truth
// in only about 85 % of simulated windows at 95 %: the odd tapers carry the line's offset from
// the bin and the even ones its amplitude, so the delete-one estimates are not alike.
//
// Frequencies in cycles per position unit; the interval is searched within the tapers'
// half-bandwidth W of the bin, and ends there when the evidence does not close it sooner.
#pragma once

#include "core/results/ResultSet.h"
#include "core/tuning/LineTrace.h"

#include <vector>

namespace tuning {

// The window of a map as the engine tapered it: its samples from the analysed series, the
// series' mean removed when the run removed it and the window's mean or line when the run
// removed them.
std::vector<double> windowSamples(const results::ResultSet& r, int window);

struct FrequencyBounds {
    double low = 0, high = 0; // cycles per position unit
};

// The interval for probability 0 < P < 1 of the line traced at `bin` of `window`; tapers:
// the run's K >= 2 tapers (taper k at tapers[k * window length + t], unit energy). Nothing
// when there are fewer than 2 tapers or the window holds no line (its energy is 0).
std::optional<FrequencyBounds> frequencyInterval(const results::ResultSet& r, int window, int bin,
                                                 const std::vector<double>& tapers,
                                                 double probability);

// Every point of a trace given its interval (frequencyLow, frequencyHigh).
void addFrequencyIntervals(std::vector<TracePoint>& trace, const results::ResultSet& r,
                           const std::vector<double>& tapers, double probability);

} // namespace tuning
