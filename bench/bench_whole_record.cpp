// The whole-record spectrum: the whole of it as the tool computes it (tapers once, the F-test of
// the record, the adaptive power, the background), the adaptive power alone on given tapers,
// and each red-noise fit over its bins.
#include "core/analysis/RunParameters.h"
#include "core/service/AnalysisService.h"
#include "core/spectrum/ExpectedPower.h"
#include "core/spectrum/MultitaperSpectrum.h"
#include "core/spectrum/RedNoise.h"
#include "core/spectrum/WholeRecord.h"
#include "engine/diagnostics.h"
#include "engine/tapers.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

using engine::quad;

namespace {

constexpr int K = 4;
constexpr double TBW = 3.0;

// AR(1) noise, rho = 0.7; uniform innovations are enough for timing.
std::vector<double> series(int n) {
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<double> x(n);
    double prev = 0;
    for (double& v : x)
        v = prev = 0.7 * prev + u(rng);
    return x;
}

struct Tapers {
    std::vector<double> v, lambda;
};

Tapers tapers(int n) {
    std::vector<quad> vq(size_t(n) * K), eig(K), ev(K), ev1m(K), work(engine::dpssWorkQuads(n));
    std::vector<int> itag(n / 2 + 1);
    const quad W = static_cast<quad>(TBW) / n;
    int iflag = 0;
    engine::dpss(n, n, K, W, vq.data(), eig.data(), iflag, work.data(), itag.data());
    engine::dpssev(n, n, K, W, 1e-8Q, 1e-14Q, vq.data(), ev.data(), ev1m.data());
    Tapers t{std::vector<double>(vq.size()), std::vector<double>(K)};
    for (size_t i = 0; i < vq.size(); ++i)
        t.v[i] = static_cast<double>(vq[i]);
    for (int k = 0; k < K; ++k)
        t.lambda[k] = static_cast<double>(ev[k]);
    return t;
}

spectrum::AdaptiveSpectrum spectrumOf(const std::vector<double>& x, const Tapers& t) {
    const int n = static_cast<int>(x.size());
    const int nfft = analysis::wholeRecordTransformLength(n);
    return spectrum::adaptiveSpectrum(x.data(), n, 1.0, t.v.data(), n, t.lambda.data(), K, nfft,
                                      nfft / 2 + 1);
}

void BM_WholeRecord(benchmark::State& state) {
    const auto y = series(static_cast<int>(state.range(0)));
    std::vector<double> x(y.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<double>(i);
    const series::Series s{x, y, {}, {}};
    analysis::Provenance p;
    spectrum::WholeRecordRequest q;
    q.nfft = analysis::wholeRecordTransformLength(static_cast<int>(y.size()));
    service::Execution quiet;
    quiet.quiet = true;
    for (auto _ : state) {
        service::RunControl control;
        spectrum::WholeRecord r;
        service::analyseWholeRecord(s, p, q, r, control, quiet);
        benchmark::DoNotOptimize(r.power.data());
    }
}
BENCHMARK(BM_WholeRecord)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_SpectrumOnly(benchmark::State& state) {
    const auto x = series(static_cast<int>(state.range(0)));
    const Tapers t = tapers(static_cast<int>(x.size()));
    for (auto _ : state)
        benchmark::DoNotOptimize(spectrumOf(x, t).power.data());
}
BENCHMARK(BM_SpectrumOnly)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

// A background fitted again to a spectrum already computed (as the window's background choice
// does), with what the estimate makes of AR(1) noise prepared once.
void BM_Background(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const auto x = series(n);
    const Tapers t = tapers(n);
    const auto s = spectrumOf(x, t);
    const int nfft = analysis::wholeRecordTransformLength(n);
    const spectrum::ExpectedPower expected(t.v, t.lambda, n, nfft, nfft / 2 + 1,
                                           spectrum::Removed::Mean, TBW);
    const auto kind =
        state.range(1) ? spectrum::BackgroundKind::Robust : spectrum::BackgroundKind::Ar1;
    const double rho = spectrum::lagOneAutocorrelation(x.data(), n);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            spectrum::fitBackground(kind, s.frequency, s.power, s.dof, rho, 1.0, TBW / n, expected)
                .level.data());
}
BENCHMARK(BM_Background)
    ->Args({50000, 0})
    ->Args({50000, 1})
    ->Args({200000, 0})
    ->Args({200000, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace
