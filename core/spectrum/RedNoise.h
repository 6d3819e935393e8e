// Red-noise background of a multitaper spectrum and its confidence levels.
//
// AR(1) spectrum S(f) = S0 (1 - rho^2) / (1 - 2 rho cos(2 pi f dt) + rho^2), whose mean over
// 0 <= f <= Nyquist is S0 (so S0 = 2 sigma^2 dt for one-sided power of a process of variance
// sigma^2). Two fits:
//   Ar1     rho the lag-one autocorrelation of the series; S0 makes the mean of S over the
//           listed bins equal the mean power over them.
//   Robust  Mann and Lees (1996, Climatic Change 33): the power median-smoothed over
//           kRobustSmoothingFraction of the listed frequency range, then rho in
//           [0, kRobustRhoMax] (red noise only) and S0 by least squares on the log of the
//           smoothed spectrum. As in their method, nothing corrects for the median of an
//           estimate lying below its mean (0.92 of it for 2K = 8), so on pure red noise the
//           robust levels sit somewhat lower and are exceeded more often than the Ar1 ones.
// Levels: S(f) chi2(p; 2K) / (2K) for p = 0.90, 0.95, 0.99, K tapers (Thomson 1982; each
// multitaper estimate taken as chi-square with 2K degrees of freedom).
// Frequencies in cycles per position unit, dt the sample spacing in the position unit.
#pragma once

#include <string>
#include <vector>

namespace spectrum {

// Width of the running median window, as a fraction of the listed frequency range
// (Mann and Lees used 20 % of the Nyquist interval).
constexpr double kRobustSmoothingFraction = 0.2;

// Upper end of the robust fit's search for rho: [0, kRobustRhoMax].
constexpr double kRobustRhoMax = 0.9999;

enum class BackgroundKind { Ar1, Robust };

// "ar1" or "robust" (exactly, lower case); false leaves kind unchanged.
bool parseBackgroundKind(const std::string& text, BackgroundKind& kind);
const char* backgroundKindName(BackgroundKind kind);

struct Background {
    BackgroundKind kind = BackgroundKind::Ar1;
    double rho = 0;
    double S0 = 0;
    std::vector<double> smoothed; // Robust only: the running median the fit was made to
    std::vector<double> level;    // background S(f), same unit as the power
    std::vector<double> level90, level95, level99;
};

// Lag-one autocorrelation about the mean: sum (x_t - m)(x_{t+1} - m) / sum (x_t - m)^2.
// 0 for n < 2 or a constant series.
double lagOneAutocorrelation(const double* x, int n);

// The AR(1) spectral shape (1 - rho^2) / (1 - 2 rho cos(2 pi f dt) + rho^2).
double ar1Shape(double rho, double f, double dt);

// Background and levels over the listed bins (frequency and power of equal, non-zero size,
// evenly spaced frequencies for Robust). rhoSeries is used by Ar1 only. Bins whose smoothed
// power is not positive take no part in the robust fit. Throws std::invalid_argument on sizes,
// |rhoSeries| >= 1, dt <= 0 or kspec < 1.
Background fitBackground(BackgroundKind kind, const std::vector<double>& frequency,
                         const std::vector<double>& power, double rhoSeries, double dt, int kspec);

// Running median of v (finite values) over a centred window of 2 * half + 1 entries, cut at
// both ends; the mean of the two middle values when the cut window holds an even number.
std::vector<double> runningMedian(const std::vector<double>& v, int half);

// Quantile of the chi-square distribution with an even number dof >= 2 of degrees of freedom,
// for 0 <= p < 1 (inf at p = 1). Throws std::invalid_argument otherwise.
double chiSquareQuantile(double p, int dof);

} // namespace spectrum
