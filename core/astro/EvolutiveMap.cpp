#include "core/astro/EvolutiveMap.h"

#include <algorithm>
#include <cmath>

namespace astro {

std::vector<double> evolutiveMapImage(const EvolutiveTimeOpt& e, bool logarithmic, int& rows) {
    const std::size_t windows = e.centres.size(), rates = e.rates.size();
    const auto cell = [&](std::size_t r, std::size_t w) { return e.cells[w * rates + r].r2Opt; };
    rows = logarithmic ? static_cast<int>(std::max<std::size_t>(1024, 8 * rates))
                       : static_cast<int>(rates);
    std::vector<double> image(static_cast<std::size_t>(rows) * windows);
    const double low = std::log(e.rates.front()), high = std::log(e.rates.back());
    for (int k = 0; k < rows; ++k) {
        double u = k;
        if (logarithmic) {
            const double rate =
                e.rates.front() + (e.rates.back() - e.rates.front()) * k / (rows - 1.0);
            u = (std::log(rate) - low) / (high - low) * static_cast<double>(rates - 1);
        }
        const std::size_t r0 = std::min(static_cast<std::size_t>(u), rates - 2);
        const double f = std::clamp(u - static_cast<double>(r0), 0.0, 1.0);
        for (std::size_t w = 0; w < windows; ++w)
            image[static_cast<std::size_t>(k) * windows + w] =
                (1 - f) * cell(r0, w) + f * cell(r0 + 1, w);
    }
    return image;
}

} // namespace astro
