// Tapered transforms and the harmonic F-test of one window.
#include "engine/capacities.h"
#include "engine/fft.h"
#include "engine/harmonic.h"
#include "engine/tapers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

using engine::quad;

namespace {

struct Window {
    int N, K, nfft;
    std::vector<quad> v;
    std::vector<double> vd, x, work, yk;
    Window(int N_, int K_, double tbw, int nfft_)
        : N(N_), K(K_), nfft(nfft_), v(size_t(N_) * K_), vd(v.size()), x(N_),
          work(4 * size_t(nfft_) + 15), yk(2 * size_t(nfft_) * K_) {
        std::vector<quad> eig(K), workq(engine::dpssWorkQuads(N));
        std::vector<int> itag(N / 2 + 2);
        int iflag = 0;
        engine::dpss(N, N, K, static_cast<quad>(tbw) / N, v.data(), eig.data(), iflag, workq.data(),
                     itag.data());
        for (size_t i = 0; i < v.size(); ++i)
            vd[i] = static_cast<double>(v[i]);
        engine::fftinit(nfft, work.data());
    }
    void transform(int kspec, const double* tapers, double* out) {
        engine::eigcoef(N, nfft, kspec, x.data(), N, tapers, work.data(), nfft, out);
    }
    std::complex<double> at(const std::vector<double>& y, int k, int j) const {
        return {y[2 * (size_t(k) * nfft + j)], y[2 * (size_t(k) * nfft + j) + 1]};
    }
};

std::vector<double> randomWindow(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> g;
    std::vector<double> x(n);
    for (double& v : x)
        v = g(rng);
    return x;
}

// Direct DFT of x(t) v_k(t) over the first min(N, nfft) samples.
std::complex<long double> direct(const Window& w, int k, int j) {
    std::complex<long double> acc = 0;
    const int n = std::min(w.N, w.nfft);
    for (int t = 0; t < n; ++t) {
        const long double a = -2.0L * M_PIl * ((static_cast<long>(j) * t) % w.nfft) / w.nfft;
        acc += static_cast<long double>(w.x[t] * w.vd[size_t(k) * w.N + t]) *
               std::complex<long double>(std::cos(a), std::sin(a));
    }
    return acc;
}

TEST(Eigcoef, OddTaperCountEqualsSeparateTransforms) {
    Window w(300, 5, 3.5, 512);
    w.x = randomWindow(300, 3);
    w.transform(5, w.vd.data(), w.yk.data());
    for (int k = 0; k < 5; ++k) {
        std::vector<double> single(2 * 512);
        w.transform(1, w.vd.data() + size_t(k) * 300, single.data());
        for (int j = 0; j <= 256; ++j) {
            const std::complex<double> packed = w.at(w.yk, k, j);
            const std::complex<double> alone(single[2 * j], single[2 * j + 1]);
            EXPECT_LT(std::abs(packed - alone), 1e-13) << "taper " << k + 1 << " bin " << j;
            const auto ref = direct(w, k, j);
            EXPECT_LT(std::abs(std::complex<long double>(packed) - ref), 1e-13L);
        }
    }
}

TEST(Eigcoef, ShortTransformUsesTheFirstSamplesOnly) {
    Window w(300, 2, 2.0, 128);
    w.x = randomWindow(300, 5);
    w.transform(2, w.vd.data(), w.yk.data());
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j <= 64; ++j)
            EXPECT_LT(std::abs(std::complex<long double>(w.at(w.yk, k, j)) - direct(w, k, j)),
                      1e-13L);
}

TEST(Eigcoef, LengthOneHoldsTheFirstTaperedSample) {
    Window w(10, 3, 1.5, 1);
    w.x = randomWindow(10, 9);
    w.transform(3, w.vd.data(), w.yk.data());
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(w.at(w.yk, k, 0).real(), w.x[0] * w.vd[size_t(k) * 10]);
        EXPECT_EQ(w.at(w.yk, k, 0).imag(), 0.0);
    }
}

struct FTest {
    std::vector<double> F;
    std::vector<quad> mu;
};

FTest ftest(Window& w, int kspec, int nf) {
    w.transform(kspec, w.vd.data(), w.yk.data());
    FTest r{std::vector<double>(nf), std::vector<quad>(2 * size_t(nf))};
    std::vector<quad> scratch(kspec);
    engine::harmft(w.N, nf, kspec, w.N, w.v.data(), w.nfft, w.yk.data(), scratch.data(), r.F.data(),
                   r.mu.data());
    return r;
}

TEST(Harmft, ZeroWindowHasNoLineAndUndefinedF) {
    Window w(200, 4, 3.0, 256);
    const FTest r = ftest(w, 4, 129);
    for (int i = 0; i < 129; ++i) {
        EXPECT_TRUE(std::isnan(r.F[i]));
        EXPECT_TRUE(r.mu[2 * i] == 0 && r.mu[2 * i + 1] == 0);
    }
}

TEST(Harmft, SinusoidGivesHalfItsAmplitudeAndALargeF) {
    Window w(400, 4, 3.0, 4096);
    const double A = 2.0;
    for (int t = 0; t < 400; ++t)
        w.x[t] = A * std::cos(2 * M_PI * 300 * t / 4096.0 + 1.1);
    const FTest r = ftest(w, 4, 2049);
    const double mu = static_cast<double>(hypotq(r.mu[600], r.mu[601]));
    EXPECT_NEAR(mu, A / 2, 1e-3);
    EXPECT_GT(r.F[300], 1e6);
    EXPECT_LT(r.F[100], 100); // far from the line
}

TEST(Harmft, SingleTaperGivesZeroF) {
    Window w(200, 1, 2.0, 256);
    w.x = randomWindow(200, 11);
    const FTest r = ftest(w, 1, 129);
    for (int i = 0; i < 129; ++i)
        EXPECT_TRUE(r.F[i] == 0.0 || std::isnan(r.F[i]));
}

TEST(Harmft, AntisymmetricTapersHaveNearZeroSums) {
    Window w(400, 4, 3.0, 512);
    std::vector<quad> U(4);
    const quad S = engine::taperSums(400, 4, 400, w.v.data(), U.data());
    EXPECT_LT(static_cast<double>(fabsq(U[1])), 1e-25);
    EXPECT_LT(static_cast<double>(fabsq(U[3])), 1e-25);
    EXPECT_GT(static_cast<double>(U[0]), 1.0);
    EXPECT_TRUE(S == U[0] * U[0] + U[1] * U[1] + U[2] * U[2] + U[3] * U[3]);
}

} // namespace
