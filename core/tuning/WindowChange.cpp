#include "core/tuning/WindowChange.h"

#include "core/tuning/PiecewiseLinear.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tuning {

bool widensByWindowChange(const RowSpread& s) {
    return s.windowLength > 0 && std::isfinite(s.windowLength) && s.main.size() >= 3;
}

RowSpread withWindowChange(RowSpread s) {
    const std::size_t n = s.main.size();
    if (!widensByWindowChange(s))
        return s;
    // The rows' log values, each the median of three neighbouring rows.
    std::vector<double> smooth(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t b = std::clamp<std::size_t>(i, 1, n - 2) - 1;
        double v[3] = {std::log(s.main[b].value), std::log(s.main[b + 1].value),
                       std::log(s.main[b + 2].value)};
        std::sort(std::begin(v), std::end(v));
        smooth[i] = v[1];
    }
    const double z = normalQuantile(0.5 + s.probability / 2);
    const double half = s.windowLength / 2;
    for (std::size_t i = 0; i < n; ++i) {
        RowMode& m = s.main[i];
        const double change = std::fabs(piecewiseAt(s.position, smooth, s.position[i] + half) -
                                        piecewiseAt(s.position, smooth, s.position[i] - half));
        const double own = std::log(m.high / m.low) / 2;
        const double widened = std::hypot(own, z * change / std::sqrt(12.0));
        const double middle = std::sqrt(m.low * m.high);
        m.low = std::min(m.value, middle * std::exp(-widened));
        m.high = std::max(m.value, middle * std::exp(widened));
    }
    return s;
}

} // namespace tuning
