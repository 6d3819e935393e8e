// Red-noise background of a multitaper spectrum and its confidence levels.
//
// AR(1) spectrum S(f) = S0 (1 - rho^2) / (1 - 2 rho cos(2 pi f dt) + rho^2), whose mean over
// 0 <= f <= Nyquist is S0 (so S0 = 2 sigma^2 dt for one-sided power of a process of variance
// sigma^2). Two fits:
//   Ar1     rho the lag-one autocorrelation of the series; S0 makes the mean of S over the
//           listed bins equal the mean power over them.
//   Robust  after Mann and Lees (1996, Climatic Change 33): the power median-smoothed, then rho
//           in [0, kRobustRhoMax] and S0 by least squares on the log of the smoothed spectrum,
//           over the frequencies from the half-bandwidth W up. The median window grows with
//           frequency (kRobustLogWidth of the frequency either side, at least the full
//           bandwidth 2W, at most kRobustSmoothingFraction of the range), so that the steep
//           low-frequency rise of a red spectrum is not flattened; and the median is divided by
//           the median of chi-square(nu) / nu for the bin's nu, since the median of an estimate
//           lies below its mean (0.92 of it for nu = 8). A line raises a median little, so
//           the fit follows the continuum where strong lines would pull the Ar1 one up.
// Levels: S(f) chi2(p; nu) / nu for p = 0.90, 0.95, 0.99, nu each bin's degrees of freedom
// (2K for K tapers fully weighted; Thomson 1982, Percival and Walden 1993 eq. 370b).
// Frequencies in cycles per position unit, dt the sample spacing in the position unit.
#pragma once

#include <string>
#include <vector>

namespace spectrum {

// Half-width of the running median at frequency f, as a fraction of f.
constexpr double kRobustLogWidth = 0.2;

// The widest running median window, as a fraction of the listed frequency range (Mann and Lees
// used 20 % of the Nyquist interval throughout).
constexpr double kRobustSmoothingFraction = 0.2;

// Upper end of the robust fit's search for rho: [0, kRobustRhoMax].
constexpr double kRobustRhoMax = 0.9999;

// What the robust background does and when to prefer it, for a front end's help.
constexpr const char* kRobustBackgroundHelp =
    "robust: rho and S0 fitted to the log of the power's running median (a window that widens "
    "with frequency, corrected for the median of chi-square lying below its mean), above the "
    "half-bandwidth W; prefer it when strong lines or a few large peaks would pull the ar1 fit "
    "(from the lag-one autocorrelation) up, or when the spectrum's shape is not set by that "
    "autocorrelation alone; on pure AR(1) noise both are calibrated";

enum class BackgroundKind { Ar1, Robust };

// "ar1" or "robust" (exactly, lower case); false leaves kind unchanged.
bool parseBackgroundKind(const std::string& text, BackgroundKind& kind);
const char* backgroundKindName(BackgroundKind kind);

struct Background {
    BackgroundKind kind = BackgroundKind::Ar1;
    double rho = 0;
    double S0 = 0;
    std::vector<double> smoothed; // Robust only: the running median, corrected to a mean
    std::vector<double> level;    // background S(f), same unit as the power
    std::vector<double> level90, level95, level99;
};

// Lag-one autocorrelation about the mean: sum (x_t - m)(x_{t+1} - m) / sum (x_t - m)^2.
// 0 for n < 2 or a constant series.
double lagOneAutocorrelation(const double* x, int n);

// The AR(1) spectral shape (1 - rho^2) / (1 - 2 rho cos(2 pi f dt) + rho^2).
double ar1Shape(double rho, double f, double dt);

// Background and levels over the listed bins (frequency, power and dof of equal, non-zero size,
// evenly spaced frequencies from 0 for Robust; dof > 0). rhoSeries is used by Ar1 only; W, the
// half-bandwidth, by Robust only. Bins whose smoothed power is not positive take no part in
// the robust fit. Throws std::invalid_argument on sizes, |rhoSeries| >= 1, dt <= 0 or dof <= 0.
Background fitBackground(BackgroundKind kind, const std::vector<double>& frequency,
                         const std::vector<double>& power, const std::vector<double>& dof,
                         double rhoSeries, double dt, double W);

// Running median of v (finite values) over a centred window of 2 * half + 1 entries, cut at
// both ends; the mean of the two middle values when the cut window holds an even number.
std::vector<double> runningMedian(const std::vector<double>& v, int half);
// The same with a half-width for each entry.
std::vector<double> runningMedian(const std::vector<double>& v, const std::vector<int>& half);

// Quantile of the chi-square distribution with dof > 0 degrees of freedom, for 0 <= p <= 1
// (inf at p = 1). Throws std::invalid_argument otherwise.
double chiSquareQuantile(double p, double dof);

} // namespace spectrum
