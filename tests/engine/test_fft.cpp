// The mixed-radix FFT against the direct sum, its factorisation and exact special inputs.
#include "engine/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <random>
#include <vector>

using engine::fftfwd;
using engine::fftinit;

namespace {

using cplx = std::complex<long double>;

struct Transform {
    int n;
    std::vector<double> work;
    explicit Transform(int n_) : n(n_), work(4 * static_cast<size_t>(n_) + 15, 0.0) {
        fftinit(n, work.data());
    }
    std::vector<double> operator()(std::vector<double> data) {
        fftfwd(n, data.data(), work.data());
        return data;
    }
    std::vector<int> factors() const {
        std::vector<int> f;
        const double* ifac = work.data() + 4 * static_cast<size_t>(n);
        for (int i = 0; i < static_cast<int>(ifac[1]); ++i)
            f.push_back(static_cast<int>(ifac[2 + i]));
        return f;
    }
};

// Direct sum in long double with exactly computed angles (reduced modulo n first).
std::vector<cplx> directSum(const std::vector<double>& x, int n) {
    const long double twoPi = 6.283185307179586476925286766559L;
    std::vector<cplx> root(n);
    for (int r = 0; r < n; ++r)
        root[r] = cplx(std::cos(-twoPi * r / n), std::sin(-twoPi * r / n));
    std::vector<cplx> out(n);
    for (int j = 0; j < n; ++j) {
        cplx acc = 0;
        for (int t = 0; t < n; ++t)
            acc += cplx(x[2 * t], x[2 * t + 1]) * root[(static_cast<long>(j) * t) % n];
        out[j] = acc;
    }
    return out;
}

std::vector<double> randomData(int n, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> x(2 * static_cast<size_t>(n));
    for (auto& v : x)
        v = u(rng);
    return x;
}

class FftAgainstDirectSum : public ::testing::TestWithParam<int> {};

TEST_P(FftAgainstDirectSum, AgreesToRoundingTimesLogN) {
    const int n = GetParam();
    const auto x = randomData(n, 17u + n);
    Transform fft(n);
    const auto y = fft(x);
    const auto ref = directSum(x, n);
    long double errSq = 0;
    long double refSq = 0;
    for (int j = 0; j < n; ++j) {
        errSq += std::norm(cplx(y[2 * j], y[2 * j + 1]) - ref[j]);
        refSq += std::norm(ref[j]);
    }
    const double relErr = std::sqrt(static_cast<double>(errSq / refSq));
    const double eps = std::numeric_limits<double>::epsilon();
    const double logn = std::max(1.0, std::log2(static_cast<double>(n)));
    // A few units of rounding per pass, plus the twiddles' own error: they come from a
    // recurrence of complex products, whose error grows with the chain of products, up to
    // (ip - 1) * ido for a factor ip with blocks of ido (about 900 units for n = 4096).
    long chain = 0;
    int l1 = 1;
    for (int ip : fft.factors()) {
        chain = std::max<long>(chain, static_cast<long>(ip - 1) * (n / (l1 * ip)));
        l1 *= ip;
    }
    const double bound = eps * (4 * logn + 0.5 * static_cast<double>(chain));
    RecordProperty("relative_error", std::to_string(relErr));
    EXPECT_LT(relErr, bound) << "n = " << n;
    std::printf("n = %d: relative error %.3g (%.1f units), bound %.3g\n", n, relErr, relErr / eps,
                bound);
}

INSTANTIATE_TEST_SUITE_P(Lengths, FftAgainstDirectSum,
                         ::testing::Values(1, 2, 3, 4, 5, 6, 7, 8, 12, 35, 49, 63, 121, 400, 4095,
                                           4096, 4099));

TEST(FftFactors, FollowTheTrialOrderWithTwoInFront) {
    const std::vector<std::pair<int, std::vector<int>>> cases = {
        {4096, {4, 4, 4, 4, 4, 4}},
        {400, {4, 4, 5, 5}},
        {12, {3, 4}},
        {6, {2, 3}},
        {8, {2, 4}},
        {7, {7}},
        {63, {3, 3, 7}},
        {2, {2}},
        {4095, {3, 3, 5, 7, 13}},
        {1048576, {4, 4, 4, 4, 4, 4, 4, 4, 4, 4}},
        {24, {2, 3, 4}},
    };
    for (const auto& [n, expected] : cases) {
        Transform fft(n);
        EXPECT_EQ(fft.factors(), expected) << "n = " << n;
        EXPECT_EQ(fft.work[4 * static_cast<size_t>(n)], n);
    }
}

TEST(FftSpecialInputs, LengthOneLeavesDataAndWorkUntouched) {
    std::vector<double> work(19, -7.0);
    fftinit(1, work.data());
    std::vector<double> x = {2.5, -1.5};
    fftfwd(1, x.data(), work.data());
    EXPECT_EQ(x, (std::vector<double>{2.5, -1.5}));
    EXPECT_EQ(work, std::vector<double>(19, -7.0));
}

TEST(FftSpecialInputs, ImpulseGivesAllOnesExactly) {
    for (int n : {6, 7, 12, 49, 400, 4096}) {
        std::vector<double> x(2 * static_cast<size_t>(n), 0.0);
        x[0] = 1.0;
        const auto y = Transform(n)(x);
        for (int j = 0; j < n; ++j) {
            EXPECT_EQ(y[2 * j], 1.0) << "n = " << n << " j = " << j;
            EXPECT_EQ(y[2 * j + 1], 0.0) << "n = " << n << " j = " << j;
        }
    }
}

TEST(FftSpecialInputs, ConstantGivesNAtZeroOnly) {
    for (int n : {6, 7, 12, 49, 400, 4096}) {
        std::vector<double> x(2 * static_cast<size_t>(n), 0.0);
        for (int t = 0; t < n; ++t)
            x[2 * t] = 1.0;
        const auto y = Transform(n)(x);
        EXPECT_EQ(y[0], n);
        EXPECT_EQ(y[1], 0.0);
        for (int j = 1; j < n; ++j) {
            EXPECT_NEAR(y[2 * j], 0.0, 1e-12 * n) << "n = " << n;
            EXPECT_NEAR(y[2 * j + 1], 0.0, 1e-12 * n) << "n = " << n;
        }
    }
}

// exp(+2 pi i t k0 / n) lands in bin k0 alone: the forward transform has the minus sign.
TEST(FftSpecialInputs, ComplexExponentialLandsInItsBin) {
    for (const auto& [n, k0] :
         std::vector<std::pair<int, int>>{{12, 5}, {49, 3}, {400, 17}, {4096, 1001}}) {
        std::vector<double> x(2 * static_cast<size_t>(n));
        for (int t = 0; t < n; ++t) {
            const long double a =
                6.283185307179586476925286766559L * ((static_cast<long>(t) * k0) % n) / n;
            x[2 * t] = static_cast<double>(std::cos(a));
            x[2 * t + 1] = static_cast<double>(std::sin(a));
        }
        const auto y = Transform(n)(x);
        for (int j = 0; j < n; ++j) {
            const double re = j == k0 ? n : 0.0;
            EXPECT_NEAR(y[2 * j], re, 1e-11 * n) << "n = " << n << " j = " << j;
            EXPECT_NEAR(y[2 * j + 1], 0.0, 1e-11 * n) << "n = " << n << " j = " << j;
        }
    }
}

TEST(FftReinitialisation, NewLengthIsIndependentOfThePrevious) {
    const auto x = randomData(12, 5);
    std::vector<double> fresh(4 * 12 + 15, 0.0);
    fftinit(12, fresh.data());
    std::vector<double> a = x;
    fftfwd(12, a.data(), fresh.data());

    std::vector<double> reused(4 * 4096 + 15, 0.0);
    fftinit(4096, reused.data());
    auto big = randomData(4096, 9);
    fftfwd(4096, big.data(), reused.data());
    fftinit(12, reused.data());
    std::vector<double> b = x;
    fftfwd(12, b.data(), reused.data());
    EXPECT_EQ(a, b);
}

} // namespace
