// Red-noise background of a multitaper spectrum and its confidence levels.
//
// AR(1) spectrum S(f) = S0 (1 - rho^2) / (1 - 2 rho cos(2 pi f dt) + rho^2), whose mean over
// 0 <= f <= Nyquist is S0 (so S0 = 2 sigma^2 dt for one-sided power of a process of variance
// sigma^2). The background is not S(f) itself but what the estimate makes of it on average
// (ExpectedPower: the tapers' smoothing, the removed mean or line, the adaptive weights), so
// that the levels follow the estimate where the spectrum is steep. Two fits, both of S0 over
// the bins from the half-bandwidth W up:
//   Ar1     rho the lag-one autocorrelation r1 of the series, corrected for its bias (the mean
//           removed: E r1 = rho - (1 + 3 rho) / n, Marriott and Pope 1954, Biometrika 41);
//           S0 the mean of the power divided by the expected shape, which does not depend on
//           how finely the bins sample the spectrum.
//   Robust  after Mann and Lees (1996, Climatic Change 33): the power median-smoothed, then rho
//           in [0, kRhoMax] by least squares on the log of the smoothed spectrum against the
//           AR(1) shape and S0 against the expected shape. The median window grows with
//           frequency (kRobustLogWidth of the frequency either side, at least the full
//           bandwidth 2W, at most kRobustSmoothingFraction of the range), so that the steep
//           low-frequency rise of a red spectrum is not flattened; and the median is divided by
//           the median of chi-square(nu) / nu for the bin's nu, since the median of an estimate
//           lies below its mean (0.92 of it for nu = 8). A line raises a median little, so
//           the fit follows the continuum where strong lines would pull the Ar1 one up.
// Levels: background x chi2(p; nu') / nu' for p = 0.90, 0.95, 0.99 (Thomson 1982, Percival and
// Walden 1993 eq. 370b) with nu the bin's degrees of freedom from the adaptive weights (2K for
// K tapers fully weighted). Robust: nu' = nu. Ar1: the few bins that hold most of a red
// series' variance also set r1 and S0, so the fitted level follows their own power, which
// narrows the spread of power / level there, and the fit's own error widens it. To first
// order, with the influence h of a bin's log power on its own fitted log level (through rho
// and S0, the bins correlated over the bandwidth) and the variance v of the fitted log level,
// var log(power / level) = (1 - 2h + v) var log(chi2(nu) / nu); nu' gives log(chi2(nu') / nu')
// that variance, and the level keeps the mean of log(power / level).
// Reliable: the levels are not trusted below 2W. Below the half-bandwidth W the removed mean
// and the tapers' own bandwidth decide the power. Between W and 2W a red background's level
// rests on a rho whose error is set by the series' lowest bins: a rule that trusted the band
// when the fitted corner frequency lay far enough above it would pick exactly the series whose
// rho came out too low, and their levels too low (bench/calibrate_spectrum_levels); the robust
// fit starts at W and its running median reaches below it.
// Frequencies in cycles per position unit, dt the sample spacing in the position unit.
#pragma once

#include <string>
#include <vector>

namespace spectrum {

class ExpectedPower;

// Half-width of the running median at frequency f, as a fraction of f.
constexpr double kRobustLogWidth = 0.2;

// The widest running median window, as a fraction of the listed frequency range (Mann and Lees
// used 20 % of the Nyquist interval throughout).
constexpr double kRobustSmoothingFraction = 0.2;

// The largest |rho| of a background (the robust fit searches [0, kRhoMax]).
constexpr double kRhoMax = 0.9999;

// The levels are trusted from this many half-bandwidths W up.
constexpr double kReliableFrom = 2.0;

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
    std::vector<unsigned char> reliable; // 1 where the levels can be trusted
};

// Lag-one autocorrelation about the mean: sum (x_t - m)(x_{t+1} - m) / sum (x_t - m)^2.
// 0 for n < 2 or a constant series.
double lagOneAutocorrelation(const double* x, int n);

// The lag-one autocorrelation r1 of n samples corrected for its bias, (n r1 + 1) / (n - 3),
// within [-kRhoMax, kRhoMax] (r1 itself for n <= 4); biasCorrectionGain is d rho / d r1.
double biasCorrectedRho(double r1, int n);
double biasCorrectionGain(int n);

// The AR(1) spectral shape (1 - rho^2) / (1 - 2 rho cos(2 pi f dt) + rho^2).
double ar1Shape(double rho, double f, double dt);

// Background and levels over the listed bins (frequency, power and dof of equal, non-zero size,
// evenly spaced frequencies from 0; dof > 0), for the estimate `expected` describes (its bins
// the listed ones). rhoSeries (the lag-one autocorrelation) is used by Ar1 only; W, the
// half-bandwidth, by Robust and by the reliable bins. Bins whose smoothed power is not
// positive take no part in the robust fit. Throws std::invalid_argument on sizes,
// |rhoSeries| >= 1, dt <= 0 or dof <= 0.
Background fitBackground(BackgroundKind kind, const std::vector<double>& frequency,
                         const std::vector<double>& power, const std::vector<double>& dof,
                         double rhoSeries, double dt, double W, const ExpectedPower& expected);

// Running median of v (finite values) over a centred window of 2 * half + 1 entries, cut at
// both ends; the mean of the two middle values when the cut window holds an even number.
std::vector<double> runningMedian(const std::vector<double>& v, int half);
// The same with a half-width for each entry.
std::vector<double> runningMedian(const std::vector<double>& v, const std::vector<int>& half);

// Quantile of the chi-square distribution with dof > 0 degrees of freedom, for 0 <= p <= 1
// (inf at p = 1). Throws std::invalid_argument otherwise.
double chiSquareQuantile(double p, double dof);

} // namespace spectrum
