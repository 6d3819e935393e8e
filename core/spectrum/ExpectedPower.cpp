#include "core/spectrum/ExpectedPower.h"

#include "core/spectrum/MultitaperSpectrum.h"
#include "engine/fft.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <stdexcept>

namespace spectrum {

namespace {

using Complex = std::complex<double>;

// The transforms of two real sequences of one length from one complex transform.
class PairTransform {
public:
    explicit PairTransform(int n)
        : n_(n), work_(4 * static_cast<std::size_t>(n) + engine::FFT_FACTOR_SLOTS),
          data_(2 * static_cast<std::size_t>(n)) {
        engine::fftinit(n, work_.data());
    }
    // a and b (each at most n values, zero-padded) into their transforms' first `bins` values.
    void run(const double* a, int na, const double* b, int nb, int bins, std::vector<Complex>& A,
             std::vector<Complex>& B) {
        std::fill(data_.begin(), data_.end(), 0.0);
        for (int t = 0; t < na; ++t)
            data_[2 * static_cast<std::size_t>(t)] = a[t];
        for (int t = 0; t < nb; ++t)
            data_[2 * static_cast<std::size_t>(t) + 1] = b[t];
        engine::fftfwd(n_, data_.data(), work_.data());
        A.resize(bins);
        B.resize(bins);
        for (int j = 0; j < bins; ++j) {
            const Complex z(data_[2 * static_cast<std::size_t>(j)],
                            data_[2 * static_cast<std::size_t>(j) + 1]);
            const std::size_t m = static_cast<std::size_t>((n_ - j) % n_);
            const Complex w = std::conj(Complex(data_[2 * m], data_[2 * m + 1]));
            A[j] = 0.5 * (z + w);
            B[j] = Complex(0, -0.5) * (z - w);
        }
    }

private:
    int n_;
    std::vector<double> work_, data_;
};

int powerOfTwoAtLeast(int n) {
    int m = 1;
    while (m < n)
        m *= 2;
    return m;
}

// Sum_s rho^|s - t| q_s for every t, by one recursion each way.
std::vector<double> covarianceTimes(const std::vector<double>& q, double rho) {
    const int n = static_cast<int>(q.size());
    std::vector<double> forward(n), out(n);
    double f = 0;
    for (int t = 0; t < n; ++t)
        forward[t] = f = q[t] + rho * f;
    double b = 0;
    for (int t = n - 1; t >= 0; --t) {
        b = q[t] + rho * b;
        out[t] = forward[t] + b - q[t];
    }
    return out;
}

std::vector<std::vector<double>> removedBasis(int n, Removed removed) {
    std::vector<std::vector<double>> basis;
    if (removed == Removed::Nothing)
        return basis;
    basis.emplace_back(n, 1 / std::sqrt(static_cast<double>(n)));
    if (removed == Removed::Line && n > 1) {
        std::vector<double> line(n);
        const double middle = 0.5 * (n - 1);
        double norm = 0;
        for (int t = 0; t < n; ++t) {
            line[t] = t - middle;
            norm += line[t] * line[t];
        }
        for (double& v : line)
            v /= std::sqrt(norm);
        basis.push_back(std::move(line));
    }
    return basis;
}

} // namespace

ExpectedPower::ExpectedPower(const std::vector<double>& tapers, const std::vector<double>& ratios,
                             int n, int nfft, int nbins, Removed removed, double tbw)
    : n_(n), nfft_(nfft), nbins_(nbins), kspec_(static_cast<int>(ratios.size())), removed_(removed),
      tapers_(tapers), ratios_(ratios), basis_(removedBasis(n, removed)) {
    if (n < 1 || nfft < n || nbins < 1 || nbins > nfft / 2 + 1 || kspec_ < 1 ||
        tapers.size() < static_cast<std::size_t>(kspec_) * n)
        throw std::invalid_argument("ExpectedPower: inconsistent sizes");

    // Lag sums from |V_k|^2 on a grid fine enough that no lag wraps: the transform of a real,
    // even sequence is real and equals m times its inverse transform.
    const int m = powerOfTwoAtLeast(2 * n);
    PairTransform wide(m);
    std::vector<Complex> A, B;
    std::vector<double> squares(m);
    lagSums_.resize(kspec_);
    for (int k = 0; k < kspec_; ++k) {
        const double* v = tapers_.data() + static_cast<std::size_t>(k) * n;
        wide.run(v, n, v, 0, m, A, B);
        for (int j = 0; j < m; ++j)
            squares[j] = std::norm(A[j]);
        wide.run(squares.data(), m, squares.data(), 0, n, A, B);
        lagSums_[k].resize(n);
        for (int tau = 0; tau < n; ++tau)
            lagSums_[k][tau] = A[tau].real() / m;
    }

    PairTransform grid(nfft);
    std::vector<double> product(n);
    for (int k = 0; k < kspec_; ++k)
        for (const std::vector<double>& q : basis_) {
            const double* v = tapers_.data() + static_cast<std::size_t>(k) * n;
            for (int t = 0; t < n; ++t)
                product[t] = q[t] * v[t];
            grid.run(product.data(), n, product.data(), 0, nbins, A, B);
            std::vector<double> stored(2 * static_cast<std::size_t>(nbins));
            for (int j = 0; j < nbins; ++j) {
                stored[2 * static_cast<std::size_t>(j)] = A[j].real();
                stored[2 * static_cast<std::size_t>(j) + 1] = A[j].imag();
            }
            basisDft_.push_back(std::move(stored));
        }

    // Products of taper pairs, two to a transform; each pair but the diagonal counts twice.
    const int lags = std::min(nfft / 2, static_cast<int>(std::ceil(2.5 * tbw * nfft / n))) + 1;
    correlation_.assign(lags, 0.0);
    std::vector<std::vector<double>> products;
    std::vector<double> weights;
    for (int k = 0; k < kspec_; ++k)
        for (int l = k; l < kspec_; ++l) {
            const double* a = tapers_.data() + static_cast<std::size_t>(k) * n;
            const double* b = tapers_.data() + static_cast<std::size_t>(l) * n;
            std::vector<double> product(n);
            for (int t = 0; t < n; ++t)
                product[t] = a[t] * b[t];
            products.push_back(std::move(product));
            weights.push_back(k == l ? 1.0 : 2.0);
        }
    for (std::size_t i = 0; i < products.size(); i += 2) {
        const bool two = i + 1 < products.size();
        grid.run(products[i].data(), n, two ? products[i + 1].data() : nullptr, two ? n : 0, lags,
                 A, B);
        for (int d = 0; d < lags; ++d)
            correlation_[d] +=
                (weights[i] * std::norm(A[d]) + (two ? weights[i + 1] * std::norm(B[d]) : 0.0)) /
                kspec_;
    }
}

std::vector<double> ExpectedPower::shape(double rho) const {
    if (!(std::fabs(rho) < 1))
        throw std::invalid_argument("ExpectedPower: |rho| must be below 1");
    const int n = n_;
    const int nq = static_cast<int>(basis_.size());
    std::vector<double> powers(n);
    double p = 1;
    for (int tau = 0; tau < n; ++tau, p *= rho)
        powers[tau] = p;

    // The covariance (sigma^2 = 1) applied to the removed space, and its matrix there.
    std::vector<std::vector<double>> covBasis;
    std::vector<double> inSpace(static_cast<std::size_t>(nq) * nq);
    for (const std::vector<double>& q : basis_)
        covBasis.push_back(covarianceTimes(q, rho));
    for (int a = 0; a < nq; ++a)
        for (int b = 0; b < nq; ++b) {
            double s = 0;
            for (int t = 0; t < n; ++t)
                s += basis_[a][t] * covBasis[b][t];
            inSpace[static_cast<std::size_t>(a) * nq + b] = s;
        }
    // The expected variance about the mean, which sets the estimate's leakage bound: the
    // removed space holds the mean when anything is removed.
    double variance = 1;
    if (nq > 0) {
        for (int a = 0; a < nq; ++a)
            variance -= inSpace[static_cast<std::size_t>(a) * nq + a] / n;
    } else {
        const std::vector<double> ones(n, 1.0);
        double total = 0;
        for (double v : covarianceTimes(ones, rho))
            total += v;
        variance -= total / (static_cast<double>(n) * n);
    }

    // Expected |Y_k|^2 at every bin, sigma^2 = 1.
    PairTransform grid(nfft_);
    std::vector<double> lagged(nfft_), weighted(n);
    std::vector<Complex> T, B;
    std::vector<std::vector<double>> expected(kspec_, std::vector<double>(nbins_));
    for (int k = 0; k < kspec_; ++k) {
        const double* v = tapers_.data() + static_cast<std::size_t>(k) * n;
        std::fill(lagged.begin(), lagged.end(), 0.0);
        lagged[0] = lagSums_[k][0];
        for (int tau = 1; tau < n; ++tau) {
            const double a = powers[tau] * lagSums_[k][tau];
            lagged[tau] += a;
            lagged[nfft_ - tau] += a;
        }
        std::vector<double>& e = expected[k];
        // The lag sums' transform shares one complex transform with the first basis vector's.
        for (int a = 0; a < std::max(nq, 1); ++a) {
            const bool withLags = a == 0;
            const bool withBasis = a < nq;
            if (withBasis)
                for (int t = 0; t < n; ++t)
                    weighted[t] = covBasis[a][t] * v[t];
            grid.run(lagged.data(), withLags ? nfft_ : 0, weighted.data(), withBasis ? n : 0,
                     nbins_, T, B);
            for (int j = 0; j < nbins_; ++j) {
                if (withLags)
                    e[j] += T[j].real();
                if (withBasis) {
                    const double* d = basisDft_[static_cast<std::size_t>(k) * nq + a].data() +
                                      2 * static_cast<std::ptrdiff_t>(j);
                    e[j] -= 2 * (d[0] * B[j].real() + d[1] * B[j].imag());
                }
            }
        }
        for (int j = 0; j < nbins_; ++j)
            for (int a = 0; a < nq; ++a)
                for (int b = 0; b < nq; ++b) {
                    const double* da = basisDft_[static_cast<std::size_t>(k) * nq + a].data() +
                                       2 * static_cast<std::ptrdiff_t>(j);
                    const double* db = basisDft_[static_cast<std::size_t>(k) * nq + b].data() +
                                       2 * static_cast<std::ptrdiff_t>(j);
                    e[j] += inSpace[static_cast<std::size_t>(a) * nq + b] *
                            (da[0] * db[0] + da[1] * db[1]);
                }
    }

    // S0 = 1 means sigma^2 dt = 1/2: the two-sided eigenspectra are half of E|Y_k|^2.
    std::vector<double> out(nbins_), sk(kspec_);
    for (int j = 0; j < nbins_; ++j) {
        for (int k = 0; k < kspec_; ++k)
            sk[k] = 0.5 * expected[k][j];
        const double S = adaptiveBin(sk.data(), ratios_.data(), kspec_, 0.5 * variance).power;
        out[j] = isEdgeBin(j, nfft_) ? S : 2 * S;
    }
    return out;
}

} // namespace spectrum
