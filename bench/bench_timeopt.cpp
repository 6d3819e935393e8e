// The astronomical test with its significance: 2,000 samples, 100 trial rates and 1,000 AR(1)
// surrogates, on 1 and 2 workers. Counters: the scored rates, and the time per rate and
// series scored (record and surrogates). Then the evolutive test with every window tested:
// windows of 600 samples stepped by 50 (29 windows), 1,000 surrogates each, on 2 workers;
// counter: the time per window. Last, the same 29 windows without surrogates: the evolutive
// test as it is now (its scores with the rate's log-likelihood, then each window's likelihood
// refined between the rates), the refinement again alone, and the 95 % intervals drawn from
// the refined likelihoods.
#include "core/astro/TimeOpt.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

// 2 cm/kyr over 2 cm samples: eccentricity and eccentricity-modulated precession in AR(1) noise.
std::vector<double> testRecord(std::size_t n) {
    const astro::Targets targets;
    std::mt19937_64 g(1);
    std::normal_distribution<double> normal;
    std::vector<double> y(n);
    double noise = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i); // kyr
        double e = 0, p = 0;
        for (double period : targets.eccentricity)
            e += std::cos(2 * M_PI * t / period);
        for (double period : targets.precession)
            p += std::cos(2 * M_PI * t / period + 1);
        noise = 0.5 * noise + normal(g);
        y[i] = 0.3 * e + (1 + 0.2 * e) * p + noise;
    }
    return y;
}

void BM_TimeOptSignificance(benchmark::State& state) {
    const std::vector<double> y = testRecord(2000);
    const double spacing = 0.02;
    const astro::TimeOptSettings settings;
    const int simulations = 1000;
    astro::Execution execution;
    execution.workers = static_cast<int>(state.range(0));
    std::size_t scored = 0;
    for (auto _ : state) {
        const astro::TimeOptScan scan = astro::timeOpt(y, spacing, settings, execution);
        const astro::Significance s =
            astro::significance(y, spacing, settings, scan, simulations, 1, execution);
        benchmark::DoNotOptimize(s.pValue);
        scored = scan.scores.size();
    }
    state.counters["scored_rates"] = static_cast<double>(scored);
    state.counters["per_rate_and_series"] = benchmark::Counter(
        static_cast<double>(scored) * (simulations + 1),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TimeOptSignificance)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

void BM_EvolutiveSignificance(benchmark::State& state) {
    const std::vector<double> y = testRecord(2000);
    const double spacing = 0.02;
    std::vector<double> z(y.size());
    for (std::size_t i = 0; i < z.size(); ++i)
        z[i] = spacing * static_cast<double>(i);
    const astro::TimeOptSettings settings;
    astro::Execution execution;
    execution.workers = 2;
    std::size_t windows = 0;
    for (auto _ : state) {
        const astro::EvolutiveTimeOpt e =
            astro::evolutiveTimeOpt(z, y, settings, 600 * spacing, 50 * spacing, execution);
        const astro::WindowSignificance s =
            astro::evolutiveSignificance(z, y, settings, e, 1000, 1, execution);
        benchmark::DoNotOptimize(s.pValues.data());
        windows = e.centres.size();
    }
    state.counters["windows"] = static_cast<double>(windows);
    state.counters["per_window"] = benchmark::Counter(
        static_cast<double>(windows),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EvolutiveSignificance)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// The evolutive test of 29 windows x 100 rates on 2 workers, in its three parts: argument 0 the
// whole evolutive test, 1 the refinement of the windows' likelihoods alone, 2 the intervals.
void BM_EvolutiveIntervals(benchmark::State& state) {
    const std::vector<double> y = testRecord(2000);
    const double spacing = 0.02;
    std::vector<double> z(y.size());
    for (std::size_t i = 0; i < z.size(); ++i)
        z[i] = spacing * static_cast<double>(i);
    const astro::TimeOptSettings settings;
    astro::Execution execution;
    execution.workers = 2;
    astro::EvolutiveTimeOpt e =
        astro::evolutiveTimeOpt(z, y, settings, 600 * spacing, 50 * spacing, execution);
    std::size_t known = 0;
    for (auto _ : state) {
        switch (state.range(0)) {
        case 0:
            e = astro::evolutiveTimeOpt(z, y, settings, 600 * spacing, 50 * spacing, execution);
            break;
        case 1:
            astro::refineLikelihoods(y, spacing, settings, e, execution);
            break;
        default:
            benchmark::DoNotOptimize(astro::evolutiveIntervals(e, 0.95).data());
        }
    }
    for (const auto& l : e.likelihoods)
        known += l.size();
    state.counters["windows"] = static_cast<double>(e.centres.size());
    state.counters["rates"] = static_cast<double>(e.rates.size());
    state.counters["likelihoods_per_window"] =
        static_cast<double>(known) / static_cast<double>(e.centres.size());
}
BENCHMARK(BM_EvolutiveIntervals)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
