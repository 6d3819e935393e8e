// A short demonstration of the engine's numerical core: the Slepian tapers of the default
// analysis window with their concentration ratios.
#include "tapers.h"

#include <cstdio>
#include <vector>

int main() {
    const int N = 400;
    const int K = 4;
    const engine::quad W = 3.0Q / N;
    std::vector<engine::quad> v(size_t(N) * K), eig(K), evalu(K);
    std::vector<engine::quad> work(engine::dpssWorkQuads(N));
    std::vector<int> itag(N / 2 + 1);
    int iflag = 0;
    engine::dpss(N, N, K, W, v.data(), eig.data(), iflag, work.data(), itag.data());
    engine::dpssev(N, N, K, W, 1.0e-8Q, 1.0e-14Q, v.data(), evalu.data(), eig.data());
    std::printf("Slepian tapers, N = %d, time-bandwidth 3, %d tapers (status %d)\n", N, K, iflag);
    for (int k = 0; k < K; ++k) {
        char lambda[64];
        char complement[64];
        quadmath_snprintf(lambda, sizeof lambda, "%.30Qf", evalu[k]);
        quadmath_snprintf(complement, sizeof complement, "%.6Qe", eig[k]);
        std::printf("  taper %d: lambda = %s  1 - lambda = %s\n", k + 1, lambda, complement);
    }
    return iflag;
}
