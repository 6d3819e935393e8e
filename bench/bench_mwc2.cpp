// The whole analysis: the sample series on the defaults, and a long series of 200,000 samples
// (window 2000, step 10, nfft 8192, fmax 0.06: 19,801 windows).
#include "core/series/SeriesFile.h"
#include "engine/diagnostics.h"
#include "engine/mwc2.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

namespace {

struct Series {
    std::vector<double> x, y;
};

// Four modulated sinusoids (periods 100, 41, 23 and 19 samples) in Gaussian noise.
Series longSeries(int n) {
    Series s;
    std::mt19937_64 rng(1001);
    std::normal_distribution<double> noise(0.0, 0.3);
    const double periods[] = {100, 41, 23, 19};
    const double amps[] = {1, 0.6, 0.4, 0.3};
    for (int t = 0; t < n; ++t) {
        double v = 1.5;
        for (int k = 0; k < 4; ++k) {
            const double a =
                amps[k] * (1 + 0.5 * std::sin(2 * M_PI * t / std::max(n / (k + 2.0), 1.0)));
            v += a * std::sin(2 * M_PI * t / periods[k] + 0.3 * (k + 1));
        }
        s.x.push_back(t);
        s.y.push_back(v + noise(rng));
    }
    return s;
}

void runOnce(benchmark::State& state, const Series& s, int mpts, int inc, int nfft, double fmax,
             const engine::Mwc2Execution& execution = {}) {
    const int npts = static_cast<int>(s.y.size());
    const std::size_t cells = static_cast<std::size_t>(engine::mwc2Windows(npts, mpts, inc)) *
                              engine::mwc2Bins(nfft, fmax);
    std::vector<double> a(cells), b(cells), c(cells), d(cells);
    engine::setDiagnosticsDiscarded(true);
    for (auto _ : state) {
        const int status =
            engine::mwc2x(execution, a.data(), b.data(), c.data(), d.data(), s.x.data(), 3.0, fmax,
                          1.0, s.y.data(), 1, npts, 4, mpts, inc, nfft, 95, nullptr, nullptr);
        if (status != 0)
            state.SkipWithError("analysis failed");
        benchmark::DoNotOptimize(c.data());
    }
    engine::setDiagnosticsDiscarded(false);
    state.counters["windows"] = engine::mwc2Windows(npts, mpts, inc);
}

void BM_Mwc2Sample(benchmark::State& state) {
    const auto s = series::loadSeries(TONALITH_SAMPLE, 1, 1);
    engine::Mwc2Execution e;
    e.workers = static_cast<int>(state.range(0));
    runOnce(state, Series{s->xpos, s->yval}, 400, 25, 4096, 0.06, e);
}
BENCHMARK(BM_Mwc2Sample)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_Mwc2Long(benchmark::State& state) {
    static const Series s = longSeries(200000);
    runOnce(state, s, 2000, 10, 8192, 0.06);
}
BENCHMARK(BM_Mwc2Long)->Iterations(1)->Unit(benchmark::kSecond);

// How soon Stop ends a run whose window of 100,000 samples is still computing its tapers: the
// flag is raised a quarter of a second after the taper computation began (a measurement, so a
// fixed wait is what is wanted here), and the time to the engine's return is the latency.
std::atomic<bool> stopNow{false}, tapersStarted{false};
void markTapersStarted(void*, double) {
    tapersStarted = true;
}

void BM_StopDuringTapers(benchmark::State& state) {
    const Series s = longSeries(100000);
    const int bins = engine::mwc2Bins(131072, 0.0001);
    std::vector<double> a(bins), b(bins), c(bins), d(bins);
    engine::setDiagnosticsDiscarded(true);
    for (auto _ : state) {
        stopNow = false;
        tapersStarted = false;
        engine::Mwc2Execution e;
        e.cancel = &stopNow;
        std::thread run([&] {
            engine::mwc2x(e, a.data(), b.data(), c.data(), d.data(), s.x.data(), 3, 0.0001, 1,
                          s.y.data(), 1, 100000, 4, 100000, 1, 131072, 95, nullptr,
                          &markTapersStarted);
        });
        while (!tapersStarted)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        const auto raised = std::chrono::steady_clock::now();
        stopNow = true;
        run.join();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - raised).count());
    }
    engine::setDiagnosticsDiscarded(false);
}
BENCHMARK(BM_StopDuringTapers)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
