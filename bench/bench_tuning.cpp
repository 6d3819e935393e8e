// Tracing and tuning beyond the analysis: a line followed through 20,000 windows of 246 bins,
// and the age model and tuned series of a 200,000-sample record.
#include "core/tuning/AgeModel.h"
#include "core/tuning/LineTrace.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

void BM_TraceLine(benchmark::State& state) {
    const int windows = static_cast<int>(state.range(0)), bins = 246;
    results::ResultSet r;
    r.windows = windows;
    r.bins = bins;
    r.provenance.params.tbw = 3;
    r.provenance.params.window = 2000;
    const std::size_t cells = static_cast<std::size_t>(windows) * bins;
    r.xcent.resize(cells);
    r.freq.resize(cells);
    r.ampl.resize(cells);
    r.prob.assign(cells, 0.5);
    for (int w = 0; w < windows; ++w)
        for (int i = 0; i < bins; ++i) {
            const std::size_t k = r.row(w, i);
            r.xcent[k] = 10.0 * w;
            r.freq[k] = i / 8192.0;
            const double line = 100 + 40 * std::sin(w * 1e-3); // a slowly drifting line
            r.ampl[k] = std::exp(-0.5 * (i - line) * (i - line));
        }
    for (auto _ : state)
        benchmark::DoNotOptimize(
            tuning::traceLine(r, windows / 2, 100, 2.0 / 8192, tuning::TraceBy::Amplitude).data());
}
BENCHMARK(BM_TraceLine)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_Tune(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> z(n), v(n);
    for (int i = 0; i < n; ++i) {
        z[i] = 2.0 * i;
        v[i] = std::sin(i * 0.1);
    }
    tuning::Trace t; // one point per window of 2000 samples stepped by 10
    for (int w = 0; w < (n - 2000) / 10; ++w) {
        t.position.push_back(2.0 * (1000 + 10 * w));
        t.frequency.push_back(0.02 + 0.01 * std::sin(w * 1e-3));
    }
    for (auto _ : state) {
        const tuning::AgeModel m = tuning::ageModel(z, t, 41, 0);
        benchmark::DoNotOptimize(tuning::tunedSeries(m, v, 1.0).age.data());
    }
}
BENCHMARK(BM_Tune)->Arg(200000)->Unit(benchmark::kMillisecond);

} // namespace
