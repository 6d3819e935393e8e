// The numerical core: tapers with their concentration ratios, and the FFT.
#include "engine/fft.h"
#include "engine/tapers.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using engine::quad;

namespace {

void BM_Tapers(benchmark::State& state) {
    const int N = static_cast<int>(state.range(0));
    const int K = static_cast<int>(state.range(1));
    const quad W = static_cast<quad>(state.range(2) / 10.0) / N;
    std::vector<quad> v(size_t(N) * K), eig(K), evalu(K), work(engine::dpssWorkQuads(N));
    std::vector<int> itag(N / 2 + 2);
    for (auto _ : state) {
        int iflag = 0;
        engine::dpss(N, N, K, W, v.data(), eig.data(), iflag, work.data(), itag.data());
        engine::dpssev(N, N, K, W, 1.0e-8Q, 1.0e-14Q, v.data(), evalu.data(), eig.data());
        benchmark::DoNotOptimize(v.data());
    }
}
// N, K, tbw x 10
BENCHMARK(BM_Tapers)->Args({400, 4, 30})->Args({4000, 8, 45})->Unit(benchmark::kMillisecond);

void BM_Fft(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> work(4 * size_t(n) + 15), data(2 * size_t(n));
    engine::fftinit(n, work.data());
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(-1, 1);
    for (auto& x : data)
        x = u(rng);
    for (auto _ : state) {
        engine::fftfwd(n, data.data(), work.data());
        benchmark::DoNotOptimize(data.data());
    }
}
BENCHMARK(BM_Fft)->Arg(4096)->Arg(4095)->Unit(benchmark::kMicrosecond);

} // namespace
