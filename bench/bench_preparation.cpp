// Trend removal on long series: LOWESS (Cleveland 1979) with F = 0.1 and least-squares
// polynomials (Householder QR) on 200,000 evenly spaced samples.
#include "core/series/Preparation.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

struct Series {
    std::vector<double> x, y;
    explicit Series(int n) : x(n), y(n) {
        std::mt19937 rng(7);
        std::normal_distribution<double> noise(0.0, 0.3);
        for (int i = 0; i < n; ++i) {
            x[i] = 0.5 * i; // e.g. depth in cm
            y[i] = 0.002 * x[i] + std::sin(x[i] / 40.0) + noise(rng);
        }
    }
};

void BM_Lowess(benchmark::State& state) {
    const Series s(static_cast<int>(state.range(0)));
    const double span = state.range(1) / 100.0;
    for (auto _ : state)
        benchmark::DoNotOptimize(series::lowessTrend(s.x, s.y, span));
}
// n, F x 100
BENCHMARK(BM_Lowess)->Args({200000, 10})->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_Lowess)->Args({20000, 10})->Unit(benchmark::kMillisecond);

void BM_Polynomial(benchmark::State& state) {
    const Series s(static_cast<int>(state.range(0)));
    const int degree = static_cast<int>(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(series::polynomialTrend(s.x, s.y, degree));
}
// n, degree: linear and poly:6
BENCHMARK(BM_Polynomial)->Args({200000, 1})->Args({200000, 6})->Unit(benchmark::kMillisecond);

} // namespace
