// What the whole-record estimate makes of AR(1) noise on average: the expected adaptive
// multitaper power of a process of spectrum S0 (1 - rho^2) / (1 - 2 rho cos(2 pi f dt) + rho^2),
// for the tapers, transform length and removed mean or line of one spectrum.
//
// Each eigencoefficient is Y_k(f) = g_k^H x with g_k = P (v_k e^{-2 pi i f t}), P the projection
// that removes the mean (or the line) from the record, so E|Y_k(f)|^2 = g_k^H R g_k with R the
// process's covariance sigma^2 rho^|s - t| (Percival and Walden 1993, sec. 7.1: the true
// spectrum smoothed by the taper's spectral window, here with the removed mean's share taken
// out as well). Where the spectrum is steep (low frequencies of red noise) this lies well away
// from the AR(1) spectrum itself: the tapers spread the peak at frequency 0 over the bandwidth,
// raise the bins beside it and the removed mean takes power out. The expected eigenspectra are
// combined with the adaptive weights the estimate would give them.
//
// Neighbouring bins share the tapers' bandwidth: the correlation of two estimates `lag` bins
// apart is, for white noise and equal weights, sum_{k,l} |sum_t v_k(t) v_l(t) e^{-2 pi i lag t /
// nfft}|^2 / K (Percival and Walden 1993, sec. 7.3), 1 at lag 0 and near 0 beyond 2W.
#pragma once

#include <vector>

namespace spectrum {

// What was removed from the record before tapering, as a space of sequences.
enum class Removed { Nothing, Mean, Line };

class ExpectedPower {
public:
    // kspec unit-energy tapers of n samples (taper k at k * n + t) with their concentration
    // ratios, transform length nfft >= n, the first nbins bins (1 <= nbins <= nfft / 2 + 1).
    // tbw, the tapers' time-bandwidth product, bounds the correlated lags.
    ExpectedPower(const std::vector<double>& tapers, const std::vector<double>& ratios, int n,
                  int nfft, int nbins, Removed removed, double tbw);

    // The expected power at each of the bins for S0 = 1 and lag-one autocorrelation rho
    // (|rho| < 1), one-sided as the estimate's power: twice the two-sided density, once at
    // frequency 0 and Nyquist.
    std::vector<double> shape(double rho) const;

    int length() const { return n_; }
    Removed removed() const { return removed_; }
    // The correlation of estimates 0, 1, ... bins apart, up to 2.5 W (beyond: 0).
    const std::vector<double>& correlation() const { return correlation_; }

private:
    int n_, nfft_, nbins_, kspec_;
    Removed removed_;
    std::vector<double> tapers_, ratios_;
    std::vector<std::vector<double>> basis_;    // orthonormal: what P removes
    std::vector<std::vector<double>> lagSums_;  // per taper: sum_t v(t) v(t + tau), tau < n
    std::vector<std::vector<double>> basisDft_; // per taper and basis vector: DFT of q v, re/im
    std::vector<double> correlation_;
};

} // namespace spectrum
