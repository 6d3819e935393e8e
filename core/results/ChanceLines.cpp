#include "core/results/ChanceLines.h"

#include "engine/tapers.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <tuple>
#include <vector>

namespace results {

namespace {

using Complex = std::complex<double>;

constexpr int kSamples = 65536; // Monte Carlo draws for each case
constexpr int kLowDraws = 4096; // windows of white noise simulated over the lowest bins

// Deviates from the raw bits of a fixed generator, so that every platform states the same.
class Deviates {
public:
    explicit Deviates(std::uint64_t seed) : rng_(seed) {}
    double uniform() { return (static_cast<double>(rng_() >> 11) + 0.5) * 0x1.0p-53; }
    double normal() { return std::sqrt(-2 * std::log(uniform())) * std::cos(2 * M_PI * uniform()); }
    double gamma(int shape) { // a sum of `shape` unit exponentials
        double product = 1;
        for (int k = 0; k < shape; ++k)
            product *= uniform();
        return -std::log(product);
    }

private:
    std::mt19937_64 rng_;
};

// V sqrt(max(L, 0)) of a symmetric matrix a = V L V' (n x n, row-major), by cyclic Jacobi
// rotations; a itself becomes V max(L, 0) V'. Nearly singular covariances (the derivatives or
// neighbours of band-limited coefficients are nearly fixed by the coefficients) keep no
// negative variance from rounding.
std::vector<double> symmetricSquareRoot(std::vector<double>& a, int n) {
    auto at = [n](std::vector<double>& m, int i, int j) -> double& {
        return m[static_cast<std::size_t>(i) * n + j];
    };
    std::vector<double> v(static_cast<std::size_t>(n) * n, 0.0), d = a;
    for (int i = 0; i < n; ++i)
        at(v, i, i) = 1;
    for (int sweep = 0; sweep < 100; ++sweep) {
        double off = 0, diagonal = 0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                (i == j ? diagonal : off) += at(d, i, j) * at(d, i, j);
        if (off <= 1e-30 * diagonal)
            break;
        for (int p = 0; p < n; ++p)
            for (int q = p + 1; q < n; ++q) {
                const double apq = at(d, p, q);
                if (apq == 0)
                    continue;
                const double theta = (at(d, q, q) - at(d, p, p)) / (2 * apq);
                const double t =
                    (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const double c = 1 / std::sqrt(t * t + 1), s = t * c;
                auto rotate = [&](double& x, double& y) {
                    const double a0 = x, b0 = y;
                    x = c * a0 - s * b0;
                    y = s * a0 + c * b0;
                };
                for (int k = 0; k < n; ++k)
                    rotate(at(d, k, p), at(d, k, q));
                for (int k = 0; k < n; ++k)
                    rotate(at(d, p, k), at(d, q, k));
                for (int k = 0; k < n; ++k)
                    rotate(at(v, k, p), at(v, k, q));
            }
    }
    std::vector<double> root(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double m = 0;
            for (int k = 0; k < n; ++k)
                m += at(v, i, k) * std::max(at(d, k, k), 0.0) * at(v, j, k);
            at(a, i, j) = m;
            at(root, i, j) = at(v, i, j) * std::sqrt(std::max(at(d, j, j), 0.0));
        }
    return root;
}

// Two companions of the coefficients Y at a frequency (their derivatives, or the coefficients
// at the neighbouring bins), Gaussian given Y: mean gain * [Re Y, Im Y], covariance given
// (root: a square root of it), over [Re X1, Im X1, Re X2, Im X2].
struct Companions {
    int size = 0; // 4K
    std::vector<double> gain, given, root;
};

// The F statistic of K tapers with the unit direction u of their sums.
class ChanceField {
public:
    ChanceField(int n, int K, double nw) : n_(n), K_(K) {
        using engine::quad;
        std::vector<quad> v(static_cast<std::size_t>(n) * K), eig(K),
            work(engine::dpssWorkQuads(n));
        std::vector<int> tags(n / 2 + 1);
        int iflag = 0;
        engine::dpss(n, n, K, static_cast<quad>(nw) / n, v.data(), eig.data(), iflag, work.data(),
                     tags.data());
        ok_ = iflag == 0;
        tapers_.assign(v.begin(), v.end());
        u_.assign(K, 0.0);
        double norm = 0;
        for (int k = 0; k < K; ++k) {
            for (int t = 0; t < n; ++t)
                u_[k] += tapers_[static_cast<std::size_t>(k) * n + t];
            norm += u_[k] * u_[k];
        }
        for (double& x : u_)
            x /= std::sqrt(norm);
    }

    bool ok() const { return ok_; }

    // E[Y^(p) conj(Y^(q))] of the value (0) and the two companions (1, 2), per taper pair, from
    // a weight on the time from the window's middle.
    Companions companions(const std::function<Complex(int p, int q, double tau)>& weight) const {
        const int K = K_, c = 3 * K, d = 6 * K;
        std::vector<double> cov(static_cast<std::size_t>(d) * d);
        const double middle = 0.5 * (n_ - 1);
        for (int p = 0; p < 3; ++p)
            for (int q = 0; q < 3; ++q)
                for (int j = 0; j < K; ++j)
                    for (int k = 0; k < K; ++k) {
                        Complex C = 0;
                        for (int t = 0; t < n_; ++t)
                            C += weight(p, q, t - middle) *
                                 tapers_[static_cast<std::size_t>(j) * n_ + t] *
                                 tapers_[static_cast<std::size_t>(k) * n_ + t];
                        // [Re W, Im W] of a circular W: Re C / 2 and Im C / 2 in blocks.
                        const int a = p * K + j, b = q * K + k;
                        cov[static_cast<std::size_t>(a) * d + b] = 0.5 * C.real();
                        cov[static_cast<std::size_t>(a) * d + b + c] = -0.5 * C.imag();
                        cov[static_cast<std::size_t>(a + c) * d + b] = 0.5 * C.imag();
                        cov[static_cast<std::size_t>(a + c) * d + b + c] = 0.5 * C.real();
                    }
        // Values first (Re Y, Im Y), then the companions (Re X1, Im X1, Re X2, Im X2).
        std::vector<int> order;
        for (int p = 0; p < 3; ++p)
            for (int part = 0; part < 2; ++part)
                for (int j = 0; j < K; ++j)
                    order.push_back(part * c + p * K + j);
        auto at = [&](int a, int b) {
            return cov[static_cast<std::size_t>(order[a]) * d + order[b]];
        };
        const int nv = 2 * K, nd = 4 * K;
        Companions out;
        out.size = nd;
        out.gain.resize(static_cast<std::size_t>(nd) * nv);
        out.given.resize(static_cast<std::size_t>(nd) * nd);
        // The values' covariance is I / 2 (orthonormal tapers).
        for (int a = 0; a < nd; ++a)
            for (int b = 0; b < nv; ++b)
                out.gain[static_cast<std::size_t>(a) * nv + b] = 2 * at(nv + a, b);
        for (int a = 0; a < nd; ++a)
            for (int b = 0; b < nd; ++b) {
                double x = at(nv + a, nv + b);
                for (int e = 0; e < nv; ++e)
                    x -= 2 * at(nv + a, e) * at(e, nv + b);
                out.given[static_cast<std::size_t>(a) * nd + b] = x;
            }
        out.root = symmetricSquareRoot(out.given, nd);
        return out;
    }

    double F(const std::vector<Complex>& Y) const {
        Complex along = 0;
        double total = 0;
        for (int k = 0; k < K_; ++k) {
            along += u_[k] * Y[k];
            total += std::norm(Y[k]);
        }
        return (K_ - 1) * std::norm(along) / (total - std::norm(along));
    }

    // One draw of Y given F above the level (tail = P(F > level)), with its F, A = |u'Y|^2,
    // B = |Y|^2 - A and z0 = u'Y.
    struct Draw {
        std::vector<Complex> Y;
        double F, A, B;
        Complex z0;
    };
    Draw draw(double tail, Deviates& dev) const {
        const int K = K_;
        const double dofs = K - 1.0;
        Draw out;
        out.F = dofs * (std::pow(tail * (1 - dev.uniform()), -1 / dofs) - 1);
        out.B = dev.gamma(K) / (1 + out.F / dofs); // B given F: Gamma(K, 1 + F / (K - 1))
        out.A = out.F * out.B / dofs;
        out.z0 = std::polar(std::sqrt(out.A), 2 * M_PI * dev.uniform());
        std::vector<Complex> r(K);
        Complex along = 0;
        for (int k = 0; k < K; ++k) {
            r[k] = Complex(dev.normal(), dev.normal());
            along += u_[k] * r[k];
        }
        double size = 0;
        for (int k = 0; k < K; ++k) {
            r[k] -= along * u_[k];
            size += std::norm(r[k]);
        }
        out.Y.resize(K);
        for (int k = 0; k < K; ++k)
            out.Y[k] = out.z0 * u_[k] + r[k] * std::sqrt(out.B / size);
        return out;
    }

    // The companions' mean given Y, and one draw about it.
    void companionsGiven(const Companions& c, const std::vector<Complex>& Y, Deviates& dev,
                         std::vector<double>& mean, std::vector<double>& drawn) const {
        const int K = K_, nv = 2 * K, nd = c.size;
        std::vector<double> value(nv), noise(nd);
        for (int k = 0; k < K; ++k) {
            value[k] = Y[k].real();
            value[K + k] = Y[k].imag();
        }
        for (double& x : noise)
            x = dev.normal();
        mean.assign(nd, 0.0);
        drawn.assign(nd, 0.0);
        for (int a = 0; a < nd; ++a) {
            for (int b = 0; b < nv; ++b)
                mean[a] += c.gain[static_cast<std::size_t>(a) * nv + b] * value[b];
            drawn[a] = mean[a];
            for (int b = 0; b < nd; ++b)
                drawn[a] += c.root[static_cast<std::size_t>(a) * nd + b] * noise[b];
        }
    }

    std::vector<Complex> part(const std::vector<double>& x, int which) const {
        std::vector<Complex> out(K_);
        for (int k = 0; k < K_; ++k)
            out[k] = Complex(x[2 * which * K_ + k], x[(2 * which + 1) * K_ + k]);
        return out;
    }

    // F at bins 0..bins-1, `offset` apart (cycles per sample of these tapers), in `draws`
    // windows of white noise: draw-major.
    std::vector<float> simulate(int bins, double offset, int draws) const {
        std::vector<Complex> phase(static_cast<std::size_t>(bins) * n_);
        for (int j = 0; j < bins; ++j)
            for (int t = 0; t < n_; ++t)
                phase[static_cast<std::size_t>(j) * n_ + t] =
                    std::polar(1.0, -2 * M_PI * j * offset * t);
        Deviates dev(20240612);
        std::vector<float> F(static_cast<std::size_t>(draws) * bins);
        std::vector<double> x(n_), w(n_);
        std::vector<Complex> Y(static_cast<std::size_t>(bins) * K_);
        for (int d = 0; d < draws; ++d) {
            for (double& v : x)
                v = dev.normal();
            for (int k = 0; k < K_; ++k) {
                for (int t = 0; t < n_; ++t)
                    w[t] = tapers_[static_cast<std::size_t>(k) * n_ + t] * x[t];
                for (int j = 0; j < bins; ++j) {
                    Complex sum = 0;
                    const Complex* e = phase.data() + static_cast<std::size_t>(j) * n_;
                    for (int t = 0; t < n_; ++t)
                        sum += w[t] * e[t];
                    Y[static_cast<std::size_t>(j) * K_ + k] = sum;
                }
            }
            for (int j = 0; j < bins; ++j) {
                const std::vector<Complex> at(Y.begin() + static_cast<std::ptrdiff_t>(j) * K_,
                                              Y.begin() + static_cast<std::ptrdiff_t>(j + 1) * K_);
                F[static_cast<std::size_t>(d) * bins + j] = static_cast<float>(this->F(at));
            }
        }
        return F;
    }

    int tapers() const { return K_; }
    const std::vector<double>& u() const { return u_; }

private:
    int n_, K_;
    bool ok_ = false;
    std::vector<double> tapers_, u_;
};

// Probability that a bin lies above the level and above both neighbours `offset` away.
double binMaximum(const ChanceField& field, double level, double offset) {
    const Companions c = field.companions([offset](int p, int q, double tau) {
        const double at[3] = {0.0, -offset, offset};
        return std::polar(1.0, -2 * M_PI * (at[p] - at[q]) * tau);
    });
    const double tail = 1 - level;
    Deviates dev(20240611);
    std::vector<double> mean, drawn;
    double hits = 0;
    for (int i = 0; i < kSamples; ++i) {
        const ChanceField::Draw d = field.draw(tail, dev);
        field.companionsGiven(c, d.Y, dev, mean, drawn);
        hits += d.F > field.F(field.part(drawn, 0)) && d.F >= field.F(field.part(drawn, 1));
    }
    return tail * hits / kSamples;
}

// Local maxima above the level per unit frequency (cycles per sample), by Kac-Rice.
double maximaDensity(const ChanceField& field, double level) {
    const Companions c = field.companions([](int p, int q, double tau) {
        return std::pow(2 * M_PI * tau, p + q) * std::pow(Complex(0, -1), p) *
               std::pow(Complex(0, 1), q);
    });
    const int K = field.tapers(), nd = c.size;
    const double dofs = K - 1.0, tail = 1 - level;
    const std::vector<double>& u = field.u();
    Deviates dev(20240611);
    std::vector<double> mean, drawn, g(nd), sg(nd);
    double sum = 0;
    for (int i = 0; i < kSamples; ++i) {
        const ChanceField::Draw d = field.draw(tail, dev);
        field.companionsGiven(c, d.Y, dev, mean, drawn);
        // F' = g . (Re Y', Im Y'): with A' = 2 Re(conj(z0) u'Y') and S' = 2 Re(Y^H Y') for S
        // = |Y|^2, F' = (K - 1) (A' S - A S') / B^2.
        std::fill(g.begin(), g.end(), 0.0);
        const double S = d.A + d.B;
        for (int k = 0; k < K; ++k) {
            g[k] = 2 * dofs * (u[k] * d.z0.real() * S - d.A * d.Y[k].real()) / (d.B * d.B);
            g[K + k] = 2 * dofs * (u[k] * d.z0.imag() * S - d.A * d.Y[k].imag()) / (d.B * d.B);
        }
        double mu = 0, var = 0, slope = 0;
        for (int a = 0; a < nd; ++a) {
            sg[a] = 0;
            for (int b = 0; b < nd; ++b)
                sg[a] += c.given[static_cast<std::size_t>(a) * nd + b] * g[b];
            mu += g[a] * mean[a];
            var += g[a] * sg[a];
            slope += g[a] * drawn[a];
        }
        if (!(var > 0))
            continue;
        const double density = std::exp(-0.5 * mu * mu / var) / std::sqrt(2 * M_PI * var);
        for (int a = 0; a < nd; ++a)
            drawn[a] -= sg[a] * slope / var; // the draw given F' = 0
        const std::vector<Complex> Y1 = field.part(drawn, 0), Y2 = field.part(drawn, 1);
        Complex z1 = 0, z2 = 0;
        double S2 = 0;
        for (int k = 0; k < K; ++k) {
            z1 += u[k] * Y1[k];
            z2 += u[k] * Y2[k];
            S2 += 2 * std::norm(Y1[k]) + 2 * (std::conj(d.Y[k]) * Y2[k]).real();
        }
        const double A2 = 2 * std::norm(z1) + 2 * (std::conj(d.z0) * z2).real();
        const double curvature = dofs * (A2 * d.B - d.A * (S2 - A2)) / (d.B * d.B); // F''
        if (curvature < 0)
            sum -= density * curvature;
    }
    return tail * sum / kSamples;
}

} // namespace

double expectedChanceLines(const analysis::RunParameters& p, double level) {
    const int K = p.tapers;
    if (K < 2 || !(level > 0 && level < 1) || p.window < 2 || p.nfft < 1)
        return 0;
    const int n = std::min(p.window, 1000);
    const double nw = p.tbw * n / p.window; // the same bandwidth in cycles per window
    const int kept = analysis::binCount(p); // bins 0 .. kept - 1
    if (kept < 2)
        return 0;
    const double perWindow = static_cast<double>(p.nfft) / p.window; // bins on 1 / window
    const bool fine = perWindow >= kFineGrid;
    const double offset = 1 / (perWindow * n); // one bin, in cycles per sample of n samples
    // The lowest bins, up to W, simulated; the right neighbour of the last one when kept.
    const int low = std::min(kept - 1, static_cast<int>(std::ceil(p.tbw * perWindow)));
    const int simulated = std::min(kept, low + 2);

    static std::mutex guard;
    static std::map<std::tuple<int, int, double>, std::unique_ptr<ChanceField>> fields;
    static std::map<std::tuple<int, int, double, double, double>, double> known;
    static std::map<std::tuple<int, int, double, double, int>, std::vector<float>> lowest;
    const std::lock_guard<std::mutex> lock(guard);
    auto& field = fields[std::make_tuple(n, K, nw)];
    if (!field)
        field = std::make_unique<ChanceField>(n, K, nw);
    if (!field->ok())
        return 0;
    const auto key = std::make_tuple(n, K, nw, level, fine ? 0.0 : perWindow);
    auto it = known.find(key);
    if (it == known.end()) {
        // Per bin on the run's grid, or per unit frequency of the n-sample tapers.
        const double value =
            fine ? maximaDensity(*field, level) : binMaximum(*field, level, offset);
        it = known.emplace(key, value).first;
    }
    auto& F = lowest[std::make_tuple(n, K, nw, offset, simulated)];
    if (F.empty())
        F = field->simulate(simulated, offset, kLowDraws);
    // Lines among bins 1..low: above the level and above both neighbours (bin 0, the mean,
    // is one, but never a line itself).
    const double dofs = K - 1.0;
    const double u = dofs * (std::pow(1 - level, -1 / dofs) - 1);
    double lines = 0;
    for (int d = 0; d < kLowDraws; ++d) {
        const float* f = F.data() + static_cast<std::size_t>(d) * simulated;
        for (int j = 1; j <= low; ++j)
            lines += f[j] > u && f[j] > f[j - 1] && (j + 1 >= simulated || f[j] >= f[j + 1]);
    }
    const double rest = kept - 1.0 - low; // bins above the simulated ones
    // The density scales with the window: its tapers are those of n samples stretched.
    const double above = fine ? it->second * p.window / n * rest / p.nfft : it->second * rest;
    return lines / kLowDraws + above;
}

} // namespace results
