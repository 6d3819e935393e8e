// Thomson's adaptively weighted multitaper power spectrum of a whole series (D. J. Thomson,
// Spectrum estimation and harmonic analysis, Proc. IEEE 70, 1982; D. B. Percival and
// A. T. Walden, Spectral Analysis for Physical Applications, 1993, sec. 7.4).
//
// Units: positions in the series' unit (depth, time), dt the sample spacing in that unit,
// frequencies in cycles per position unit, f_j = j / (nfft dt). Power is one-sided, in
// (value unit)^2 per (cycle per position unit): twice the two-sided density for
// 0 < f < Nyquist, once at f = 0 and at Nyquist (bin nfft/2 of an even nfft). With this
// scaling, sum_j power_j df over bins 0..nfft/2 (df = 1 / (nfft dt)) is, for each eigenspectrum
// exactly (Parseval), the taper-weighted mean square sum_t x_t^2 v_k(t)^2: the variance of a
// long, mean-removed record within a few percent, and so for the weighted mean of them.
#pragma once

#include <vector>

namespace spectrum {

// Adaptive weights (Percival and Walden eqs. 368a, 370a): at each bin, S is the fixed point of
//   S <- sum_k d_k^2 S_k / sum_k d_k^2,  d_k = sqrt(lambda_k) S / (lambda_k S + (1 - lambda_k) s2),
// S_k the two-sided eigenspectra dt |y_k|^2, s2 = sigma^2 dt with sigma^2 the series' variance
// about its mean. Start: the mean of S_0 and S_1. Each bin stops when one update changes S by
// at most kAdaptiveTolerance relative, or after kAdaptiveMaxIterations updates (every second
// update is followed by an Aitken extrapolation; see the source).
constexpr double kAdaptiveTolerance = 1e-10;
constexpr int kAdaptiveMaxIterations = 100;

// One bin's two-sided adaptive power from its two-sided eigenspectra sk (kspec of them), the
// concentration ratios and the broadband leakage bound noise = sigma^2 dt; its degrees of
// freedom (before halving at the edges), the updates it took and whether it met the tolerance.
struct AdaptiveBin {
    double power = 0;
    double dof = 0;
    int iterations = 0;
    bool converged = false;
};
AdaptiveBin adaptiveBin(const double* sk, const double* lambda, int kspec, double noise);

// Frequency 0 and Nyquist (bin nfft / 2 of an even nfft): the transforms of a real series are
// real there, and the one-sided power is not doubled.
bool isEdgeBin(int j, int nfft);

// Degrees of freedom of each bin (Percival and Walden eq. 370b): 2 (sum_k d_k^2)^2 / sum_k d_k^4,
// 2K where every taper counts fully and fewer where the weights drop some; halved at frequency
// 0 and at Nyquist, where the transforms of a real series are real.
struct AdaptiveSpectrum {
    std::vector<double> frequency; // cycles per position unit, bins 0..nbins-1
    std::vector<double> power;     // one-sided, (value unit)^2 per (cycle per position unit)
    std::vector<double> dof;       // of each bin's estimate
    int iterations = 0;            // the largest number of iterations any bin needed
    bool converged = false;        // every bin met kAdaptiveTolerance within the cap
};

// Adaptive spectrum of x(0..n-1), taken as given (no mean removal here). taperd holds kspec
// unit-energy tapers rounded to double, taper k at taperd[k * ld + t]; lambda their
// concentration ratios. Requires 1 <= n <= nfft, ld >= n, 1 <= kspec, 0 < lambda_k <= 1,
// dt > 0 and 1 <= nbins <= nfft / 2 + 1; throws std::invalid_argument otherwise.
AdaptiveSpectrum adaptiveSpectrum(const double* x, int n, double dt, const double* taperd, int ld,
                                  const double* lambda, int kspec, int nfft, int nbins);

} // namespace spectrum
