#include "core/results/FalseDiscovery.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

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

} // namespace results
