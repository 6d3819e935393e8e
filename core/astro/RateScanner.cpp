#include "core/astro/RateScanner.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <numeric>

namespace astro::scanning {

namespace {

// Bases of all rates are kept while they fit in this many bytes; beyond, each worker makes a
// rate's bases when it needs them, for a block of series at a time.
constexpr double basisCacheBytes = 256e6;

// Relative norm under which a column adds nothing to the ones before it (the fit is then made
// on the others): at short spans, close periods cannot be told apart.
constexpr double dependentColumn = 1e-7;

// The residuals' sum of squares per sample is kept above this (the record is standardised):
// a fit that explains everything would otherwise have an infinite likelihood.
constexpr double smallestResidual = 1e-12;

// The AR(1) residual correlation is kept within these bounds, where the process is stationary.
constexpr double largestCorrelation = 0.999;

double dot(const std::vector<double>& a, const std::vector<double>& b) {
    double s = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        s += a[i] * b[i];
    return s;
}

// For each of `count` (at most blockSize) series of n values, the fraction of its variance
// (about its mean) that its projection on the basis explains. One pass over the basis serves
// them all; each series' sums run in the same order whatever the others are. c: room for
// count x columns coefficients.
void explainedFractions(const Basis& b, const double* const* ys, std::size_t count, std::size_t n,
                        double* c, double* fractions) {
    const std::size_t m = b.columns;
    std::fill_n(c, count * m, 0.0);
    double yy[blockSize] = {};
    const double* row = b.q.data();
    for (std::size_t i = 0; i < n; ++i, row += m)
        for (std::size_t k = 0; k < count; ++k) {
            const double v = ys[k][i];
            yy[k] += v * v;
            double* ck = c + k * m;
            for (std::size_t j = 0; j < m; ++j)
                ck[j] += row[j] * v;
        }
    for (std::size_t k = 0; k < count; ++k) {
        const double* ck = c + k * m;
        double explained = 0;
        for (std::size_t j = 1; j < m; ++j)
            explained += ck[j] * ck[j];
        const double total = yy[k] - ck[0] * ck[0];
        fractions[k] = total > 0 ? std::clamp(explained / total, 0.0, 1.0) : 0.0;
    }
}

} // namespace

bool standardise(const double* v, std::size_t n, double* out) {
    const double centre = 0.5 * static_cast<double>(n - 1);
    double mean = 0, sxy = 0, sxx = 0;
    for (std::size_t i = 0; i < n; ++i)
        mean += v[i];
    mean /= static_cast<double>(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i) - centre;
        sxy += x * (v[i] - mean);
        sxx += x * x;
    }
    const double slope = sxx > 0 ? sxy / sxx : 0.0;
    double ss = 0, scale = 0;
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = v[i] - mean - slope * (static_cast<double>(i) - centre);
        ss += out[i] * out[i];
        scale = std::max(scale, std::abs(v[i]));
    }
    const double sd = std::sqrt(ss / static_cast<double>(n - 1));
    if (!(sd > 1e-12 * scale) || !std::isfinite(sd))
        return false;
    for (std::size_t i = 0; i < n; ++i)
        out[i] /= sd;
    return true;
}

double lagOneCorrelation(const std::vector<double>& y) {
    double num = 0, den = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        den += y[i] * y[i];
        if (i + 1 < y.size())
            num += y[i] * y[i + 1];
    }
    return den > 0 ? num / den : 0.0;
}

Basis sinusoidBasis(std::size_t n, double dt, const std::vector<double>& periods) {
    std::vector<std::size_t> rows(n);
    std::iota(rows.begin(), rows.end(), std::size_t{0});
    return sinusoidBasis(rows, dt, periods);
}

Basis sinusoidBasis(const std::vector<std::size_t>& rows, double dt,
                    const std::vector<double>& periods) {
    const std::size_t n = rows.size();
    std::vector<std::vector<double>> columns;
    const auto add = [&](std::vector<double> v) {
        const double original = std::sqrt(dot(v, v));
        for (int pass = 0; pass < 2; ++pass) // twice is enough for orthogonality
            for (const std::vector<double>& q : columns) {
                const double d = dot(q, v);
                for (std::size_t i = 0; i < n; ++i)
                    v[i] -= d * q[i];
            }
        const double norm = std::sqrt(dot(v, v));
        if (!(norm > dependentColumn * original))
            return;
        for (double& x : v)
            x /= norm;
        columns.push_back(std::move(v));
    };
    add(std::vector<double>(n, 1.0));
    std::vector<double> c(n), s(n);
    for (double period : periods) {
        const double step = 2 * M_PI * dt / period;
        for (std::size_t i = 0; i < n; ++i) {
            const double angle = step * static_cast<double>(rows[i]);
            c[i] = std::cos(angle);
            s[i] = std::sin(angle);
        }
        add(c);
        add(s);
    }
    Basis b;
    b.columns = columns.size();
    b.q.resize(n * b.columns);
    for (std::size_t j = 0; j < b.columns; ++j)
        for (std::size_t i = 0; i < n; ++i)
            b.q[i * b.columns + j] = columns[j][i];
    return b;
}

std::size_t fewestFor(std::size_t periods) {
    return 2 * (1 + 2 * periods);
}

std::vector<double> allPeriods(const Targets& t) {
    std::vector<double> p = t.eccentricity;
    p.insert(p.end(), t.precession.begin(), t.precession.end());
    return p;
}

double residualLogLikelihood(const Basis& b, const double* y, const double* c, std::size_t n) {
    const std::size_t m = b.columns;
    const double* row = b.q.data();
    double sum = 0, lagged = 0, first = 0, previous = 0;
    for (std::size_t i = 0; i < n; ++i, row += m) {
        double r = y[i];
        for (std::size_t j = 0; j < m; ++j)
            r -= row[j] * c[j];
        sum += r * r;
        if (i == 0)
            first = r;
        else
            lagged += r * previous;
        previous = r;
    }
    const double rho =
        sum > 0 ? std::clamp(lagged / sum, -largestCorrelation, largestCorrelation) : 0.0;
    // S from the sums: sum_{t>=1} r_t^2 = sum - r_0^2, sum_{t>=1} r_{t-1}^2 = sum - r_{n-1}^2.
    const double s = (1 - rho * rho) * first * first + (sum - first * first) - 2 * rho * lagged +
                     rho * rho * (sum - previous * previous);
    const double perSample = std::max(s / static_cast<double>(n), smallestResidual);
    return -0.5 * static_cast<double>(n - m) * std::log(perSample) + 0.5 * std::log(1 - rho * rho);
}

double powerLogLikelihood(const std::vector<double>& y, double dt,
                          const std::vector<double>& periods) {
    const Basis b = sinusoidBasis(y.size(), dt, periods);
    std::vector<double> c(b.columns, 0.0);
    const double* row = b.q.data();
    for (std::size_t i = 0; i < y.size(); ++i, row += b.columns)
        for (std::size_t j = 0; j < b.columns; ++j)
            c[j] += row[j] * y[i];
    return residualLogLikelihood(b, y.data(), c.data(), y.size());
}

Scanner::Scanner(std::size_t n, double spacingMetres, const TimeOptSettings& s,
                 std::vector<double> rates, bool likelihood)
    : n_(n), fft_(paddedLength(n)), all_(n), periods_(allPeriods(s.targets)),
      eccentricity_(s.targets.eccentricity), rates_(std::move(rates)), likelihood_(likelihood) {
    std::iota(all_.begin(), all_.end(), std::size_t{0});
    const std::size_t columns = 2 * periods_.size() + 2 * s.targets.eccentricity.size() + 2;
    cached_ = static_cast<double>(rates_.size() * n * columns) * 8 <= basisCacheBytes;
    plans_.resize(rates_.size());
    const double centre = 0.5 * (s.precessionBand.low + s.precessionBand.high);
    for (std::size_t r = 0; r < rates_.size(); ++r) {
        RatePlan& p = plans_[r];
        p.dt = 100 * spacingMetres / rates_[r]; // kyr per sample
        p.bins = bandBins(s.precessionBand, fft_.length(),
                          1.0 / (static_cast<double>(fft_.length()) * p.dt));
        const std::vector<bool> edge = edgeSamples(fft_, p.bins, n, centre * p.dt);
        for (std::size_t i = 0; i < n; ++i)
            if (!edge[i])
                p.inside.push_back(i);
        // Too few samples inside the edges: the envelope cannot be judged at this rate.
        if (p.inside.size() < fewestFor(eccentricity_.size()))
            p.inside.clear();
        if (cached_)
            makeBases(p, p.power, p.envelope);
    }
}

Scanner::Workspace Scanner::workspace(std::size_t slots) const {
    Workspace w;
    w.y.assign(slots, std::vector<double>(n_));
    for (std::size_t k = 0; k < slots; ++k)
        w.spectrum.push_back(Fft::complexBuffer(fft_.length() / 2 + 1));
    w.usable.assign(slots, false);
    w.padded = fft_.realBuffer();
    w.analytic = Fft::complexBuffer(fft_.length());
    w.signal = Fft::complexBuffer(fft_.length());
    w.envelope.assign(slots, std::vector<double>(n_));
    w.coefficients.resize(slots * (2 * periods_.size() + 1));
    return w;
}

void Scanner::load(const double* values, std::size_t k, Workspace& w) const {
    w.usable[k] = standardise(values, n_, w.y[k].data());
    std::copy(w.y[k].begin(), w.y[k].end(), w.padded.get());
    fft_.forward(w.padded.get(), w.spectrum[k].get());
}

void Scanner::score(std::size_t r, std::size_t count, Workspace& w, RateScore* out) const {
    const RatePlan& p = plans_[r];
    if (!cached_ && w.basesOf != r) {
        makeBases(p, w.power, w.envelopeBasis);
        w.basesOf = r;
    }
    const double* ys[blockSize];
    const double* envelopes[blockSize];
    double power[blockSize], envelope[blockSize], likelihood[blockSize] = {};
    std::complex<double>* analytic = w.analytic.get();
    // The envelope at the samples inside the record's edges, one after the other.
    for (std::size_t k = 0; k < count; ++k) {
        const std::complex<double>* spectrum = w.spectrum[k].get();
        for (std::size_t j = 0; j < p.bins.weight.size(); ++j)
            analytic[p.bins.first + j] = p.bins.weight[j] * spectrum[p.bins.first + j];
        fft_.inverse(analytic, w.signal.get());
        const std::complex<double>* a = w.signal.get();
        for (std::size_t j = 0; j < p.inside.size(); ++j) {
            const std::complex<double> v = a[p.inside[j]];
            w.envelope[k][j] = std::sqrt(v.real() * v.real() + v.imag() * v.imag());
        }
        ys[k] = w.y[k].data();
        envelopes[k] = w.envelope[k].data();
    }
    std::fill_n(analytic + p.bins.first, p.bins.weight.size(), std::complex<double>());
    const Basis& powerBasis = cached_ ? p.power : w.power;
    explainedFractions(powerBasis, ys, count, n_, w.coefficients.data(), power);
    // The power fit's coefficients are still in the workspace: its residuals' likelihood now.
    for (std::size_t k = 0; k < count && likelihood_; ++k)
        likelihood[k] = residualLogLikelihood(powerBasis, ys[k],
                                              w.coefficients.data() + k * powerBasis.columns, n_);
    std::fill_n(envelope, count, 0.0);
    if (!p.inside.empty())
        explainedFractions(cached_ ? p.envelope : w.envelopeBasis, envelopes, count,
                           p.inside.size(), w.coefficients.data(), envelope);
    for (std::size_t k = 0; k < count; ++k) {
        out[k] = RateScore{rates_[r], 0, 0, 0};
        if (w.usable[k])
            out[k] =
                RateScore{rates_[r], envelope[k], power[k], envelope[k] * power[k], likelihood[k]};
    }
}

void Scanner::makeBases(const RatePlan& p, Basis& power, Basis& envelope) const {
    power = sinusoidBasis(all_, p.dt, periods_);
    envelope = sinusoidBasis(p.inside, p.dt, eccentricity_);
}

bool scoreAll(const Scanner& scanner, std::size_t count, const Execution& e,
              const std::function<void(std::size_t, double*)>& fill,
              const std::function<void(std::size_t, std::size_t, const RateScore&)>& take) {
    std::atomic<std::size_t> nextBlock{0}, done{0};
    std::atomic<bool> stopped{false};
    std::mutex progressLock;
    const std::size_t blocks = (count + blockSize - 1) / blockSize;
    runOnWorkers(std::min<int>(workerCount(e.workers), static_cast<int>(blocks)), [&](int) {
        Scanner::Workspace w = scanner.workspace(std::min(blockSize, count));
        std::vector<double> raw(scanner.samples());
        RateScore scores[blockSize];
        for (std::size_t b = nextBlock++; b < blocks; b = nextBlock++) {
            const std::size_t first = b * blockSize, last = std::min(count, first + blockSize);
            for (std::size_t item = first; item < last; ++item) {
                fill(item, raw.data());
                scanner.load(raw.data(), item - first, w);
            }
            for (std::size_t r = 0; r < scanner.rates().size(); ++r) {
                if (e.cancelled() || stopped) {
                    stopped = true;
                    return;
                }
                scanner.score(r, last - first, w, scores);
                for (std::size_t item = first; item < last; ++item)
                    take(item, r, scores[item - first]);
            }
            done += last - first;
            if (e.progress) {
                std::lock_guard<std::mutex> hold(progressLock);
                e.progress(done, count);
            }
        }
    });
    return !stopped;
}

} // namespace astro::scanning
