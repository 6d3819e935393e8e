#include "core/tuning/WindowChange.h"

#include "core/tuning/NeighbourReadings.h"
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
    // The rows' log values without those read at the other cycle than their neighbours (drawn
    // at either reading), each the median of three neighbouring rows.
    const SettledRows settled = settledRows(s);
    const std::vector<double>& at = settled.position;
    const std::size_t m = at.size();
    if (m < 3)
        return s;
    std::vector<double> smooth(m);
    for (std::size_t i = 0; i < m; ++i) {
        const std::size_t b = std::clamp<std::size_t>(i, 1, m - 2) - 1;
        double v[3] = {settled.logValue[b], settled.logValue[b + 1], settled.logValue[b + 2]};
        std::sort(std::begin(v), std::end(v));
        smooth[i] = v[1];
    }
    const double half = s.windowLength / 2;
    const double first = at.front(), last = at.back();
    for (std::size_t i = 0; i < n; ++i) {
        const double from = std::max(first, s.position[i] - half);
        const double to = std::min(last, s.position[i] + half);
        if (!(to > from))
            continue;
        const double change =
            std::fabs(piecewiseAt(at, smooth, to) - piecewiseAt(at, smooth, from)) *
            std::min(2.0, s.windowLength / (to - from));
        s.main[i].changeSd = change / std::sqrt(12.0);
    }
    return s;
}

} // namespace tuning
