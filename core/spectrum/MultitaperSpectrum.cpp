#include "core/spectrum/MultitaperSpectrum.h"

#include "engine/fft.h"
#include "engine/harmonic.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace spectrum {

namespace {

// Variance about the mean, divided by n: the quantity the eigenspectra integrate to.
double seriesVariance(const double* x, int n) {
    double mean = 0;
    for (int t = 0; t < n; ++t)
        mean += x[t];
    mean /= n;
    double ss = 0;
    for (int t = 0; t < n; ++t)
        ss += (x[t] - mean) * (x[t] - mean);
    return ss / n;
}

} // namespace

bool isEdgeBin(int j, int nfft) {
    return j == 0 || (nfft % 2 == 0 && j == nfft / 2);
}

// One bin: the fixed point of the weight update S -> sum_k d_k^2 S_k / sum_k d_k^2, from the
// mean of the first two eigenspectra. Where broadband leakage dominates, the update can crawl
// (ratios of successive changes near 1 for dozens of updates on steep spectra), so every second
// update is followed by Aitken's delta-squared extrapolation when the two changes run the same
// way and shrink (0 < ratio < 1), kept when it stays positive and inside [min S_k, max S_k],
// which holds every fixed point. Each update counts as an iteration; the stopping test is on a
// plain update, so what is returned is a fixed point to the tolerance.
AdaptiveBin adaptiveBin(const double* sk, const double* lambda, int kspec, double noise) {
    int iterations = 0;
    bool done = false;
    auto update = [&](double S) {
        double num = 0;
        double den = 0;
        for (int k = 0; k < kspec; ++k) {
            // d_k^2 = lambda_k b_k^2 with b_k = S / (lambda_k S + (1 - lambda_k) sigma^2 dt)
            const double b = S / (lambda[k] * S + (1 - lambda[k]) * noise);
            const double w = lambda[k] * b * b;
            num += w * sk[k];
            den += w;
        }
        ++iterations;
        return den > 0 ? num / den : 0.0;
    };
    double lo = sk[0];
    double hi = sk[0];
    for (int k = 1; k < kspec; ++k) {
        lo = std::min(lo, sk[k]);
        hi = std::max(hi, sk[k]);
    }
    double S = kspec > 1 ? 0.5 * (sk[0] + sk[1]) : sk[0];
    done = !(S > 0); // S = 0 is a fixed point (and 0/0 with lambda_k = 1)
    while (!done && iterations < kAdaptiveMaxIterations) {
        const double s1 = update(S);
        done = std::fabs(s1 - S) <= kAdaptiveTolerance * s1;
        if (done || iterations == kAdaptiveMaxIterations) {
            S = s1;
            break;
        }
        const double s2 = update(s1);
        done = std::fabs(s2 - s1) <= kAdaptiveTolerance * s2;
        const double ratio = (s2 - s1) / (s1 - S);
        S = s2;
        if (done || !(ratio > 0 && ratio < 1))
            continue;
        const double aitken = s2 + (s2 - s1) * ratio / (1 - ratio);
        if (aitken > 0 && aitken >= lo && aitken <= hi)
            S = aitken;
    }
    double sum = 0, squares = 0;
    for (int k = 0; k < kspec; ++k) {
        const double b = S / (lambda[k] * S + (1 - lambda[k]) * noise);
        const double w = lambda[k] * b * b;
        sum += w;
        squares += w * w;
    }
    return {S, squares > 0 ? 2 * sum * sum / squares : 2.0 * kspec, iterations, done};
}

AdaptiveSpectrum adaptiveSpectrum(const double* x, int n, double dt, const double* taperd, int ld,
                                  const double* lambda, int kspec, int nfft, int nbins) {
    if (n < 1 || nfft < n || ld < n || kspec < 1 || !(dt > 0) || !std::isfinite(dt) || nbins < 1 ||
        nbins > nfft / 2 + 1)
        throw std::invalid_argument("adaptiveSpectrum: inconsistent sizes or spacing");
    for (int k = 0; k < kspec; ++k)
        if (!(lambda[k] > 0 && lambda[k] <= 1))
            throw std::invalid_argument("adaptiveSpectrum: concentration ratio outside (0, 1]");

    std::vector<double> work(4 * static_cast<size_t>(nfft) + engine::FFT_FACTOR_SLOTS);
    std::vector<double> yk(2 * static_cast<size_t>(nfft) * kspec);
    engine::fftinit(nfft, work.data());
    engine::eigcoef(n, nfft, kspec, x, ld, taperd, work.data(), nfft, yk.data());

    // The weights depend on S / (sigma^2 dt) only: sigma^2 dt is the two-sided density of white
    // noise with the series' variance, the broadband leakage bound of Percival and Walden.
    // For a constant series (sigma^2 = 0) the weights reduce to 1 / lambda_k.
    const double noise = seriesVariance(x, n) * dt;
    const double df = 1.0 / (nfft * dt);

    AdaptiveSpectrum out;
    out.frequency.resize(nbins);
    out.power.resize(nbins);
    out.dof.resize(nbins);
    out.converged = true;
    std::vector<double> sk(kspec);
    for (int j = 0; j < nbins; ++j) {
        for (int k = 0; k < kspec; ++k) {
            const double* y = yk.data() + 2 * (static_cast<size_t>(k) * nfft + j);
            sk[k] = dt * (y[0] * y[0] + y[1] * y[1]); // two-sided eigenspectrum
        }
        const AdaptiveBin b = adaptiveBin(sk.data(), lambda, kspec, noise);
        if (!b.converged)
            out.converged = false;
        if (b.iterations > out.iterations)
            out.iterations = b.iterations;
        const bool edge = isEdgeBin(j, nfft);
        out.power[j] = edge ? b.power : 2 * b.power;
        out.dof[j] = edge ? b.dof / 2 : b.dof;
        out.frequency[j] = j * df;
    }
    return out;
}

} // namespace spectrum
