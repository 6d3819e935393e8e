#include "core/results/FalseDiscovery.h"

#include "engine/tapers.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <tuple>

namespace results {

std::vector<bool> benjaminiHochberg(const std::vector<double>& p, double q) {
    if (!(q >= 0 && q <= 1))
        throw std::invalid_argument("benjaminiHochberg: rate outside [0, 1]");
    for (double v : p)
        if (!(v >= 0 && v <= 1))
            throw std::invalid_argument("benjaminiHochberg: p-value outside [0, 1]");

    const size_t m = p.size();
    std::vector<size_t> order(m);
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return p[a] < p[b]; });

    // Step up: the largest rank whose p-value is under its line.
    size_t k = 0;
    for (size_t i = m; i >= 1; --i)
        if (p[order[i - 1]] <= static_cast<double>(i) * q / static_cast<double>(m)) {
            k = i;
            break;
        }

    std::vector<bool> kept(m, false);
    if (k == 0)
        return kept;
    // Everything at or below p_(k): ties with it would pass at a higher rank as well.
    const double threshold = p[order[k - 1]];
    for (size_t i = 0; i < m; ++i)
        kept[i] = p[i] <= threshold;
    return kept;
}

namespace {

// The tapers' root mean second moment in time about the window's middle, as a fraction of
// the window. For a given time-bandwidth product and count it hardly changes with the length
// beyond a few hundred samples, so at most 1000 samples are computed, once per process.
double taperSpread(int window, int tapers, double tbw) {
    static std::mutex guard;
    static std::map<std::tuple<int, int, double>, double> known;
    const int n = std::min(window, 1000);
    const double nw = tbw * n / window; // the same bandwidth in cycles per window
    const std::lock_guard<std::mutex> lock(guard);
    const auto key = std::make_tuple(n, tapers, nw);
    if (const auto it = known.find(key); it != known.end())
        return it->second;
    using engine::quad;
    std::vector<quad> v(static_cast<std::size_t>(n) * tapers), eig(tapers),
        work(engine::dpssWorkQuads(n));
    std::vector<int> tags(n / 2 + 1);
    int iflag = 0;
    engine::dpss(n, n, tapers, static_cast<quad>(nw) / n, v.data(), eig.data(), iflag, work.data(),
                 tags.data());
    // Failed tapers: those of a rectangular window, the widest spread a taper can have.
    double spread = 1 / std::sqrt(12.0);
    if (iflag == 0) {
        double moment = 0;
        const double middle = 0.5 * (n - 1);
        for (int k = 0; k < tapers; ++k)
            for (int t = 0; t < n; ++t) {
                const double a = static_cast<double>(v[static_cast<std::size_t>(k) * n + t]);
                moment += (t - middle) * (t - middle) * a * a;
            }
        spread = std::sqrt(moment / tapers) / n;
    }
    known.emplace(key, spread);
    return spread;
}

} // namespace

double expectedChanceLines(const analysis::RunParameters& p, double level) {
    const int K = p.tapers;
    if (K < 2 || !(level > 0 && level < 1) || p.window < 2 || p.nfft < 1)
        return 0;
    const double tail = 1 - level;
    const double ratio = std::pow(tail, -1.0 / (K - 1)) - 1; // u / (K - 1) at the level
    const double sigma = taperSpread(p.window, K, p.tbw) * p.window;
    const double range = (analysis::binCount(p) - 1) / static_cast<double>(p.nfft);
    const double perFrequency = 2 * std::sqrt(M_PI) * sigma *
                                std::exp(std::lgamma(K - 0.5) - std::lgamma(K - 1.0)) *
                                std::sqrt(ratio) * tail;
    return std::max(range, 0.0) * perFrequency + tail;
}

} // namespace results
