#include "core/tuning/RowScatter.h"

#include "core/tuning/NeighbourReadings.h"
#include "core/tuning/PiecewiseLinear.h"

#include <cmath>
#include <vector>

namespace tuning {

double rowScatter(const RowSpread& s) {
    const double half = s.windowLength / 2;
    if (!(half > 0) || !std::isfinite(half) || s.main.size() < 5)
        return 0;
    // Rows read at the other cycle than their neighbours are drawn at either reading; as
    // scatter, they would count a factor of two.
    const SettledRows settled = settledRows(s);
    const std::vector<double>&at = settled.position, &logs = settled.logValue;
    if (at.empty())
        return 0;
    const double first = at.front(), last = at.back();
    std::vector<double> second;
    for (const double x : at)
        if (x - half >= first && x + half <= last)
            second.push_back(piecewiseAt(at, logs, x - half) - 2 * piecewiseAt(at, logs, x) +
                             piecewiseAt(at, logs, x + half));
    if (second.size() < 5)
        return 0;
    // The mean absolute value, not a median: the differences of neighbouring rows correlate
    // closely, and a median of a few effective values leans towards their largest.
    double sum = 0;
    for (const double d : second)
        sum += std::fabs(d);
    const double meanAbsolute = sum / static_cast<double>(second.size());
    // E|d| = sd(d) sqrt(2 / pi), sd(d) = s sqrt(2).
    return meanAbsolute * std::sqrt(M_PI / 2) / std::sqrt(2.0);
}

RowSpread withRowScatter(RowSpread s) {
    const double scatter = rowScatter(s);
    if (!(scatter > 0))
        return s;
    const double half = normalQuantile(0.5 + s.probability / 2) * scatter;
    for (RowMode& m : s.main) {
        if (std::log(m.high / m.low) / 2 >= half)
            continue;
        const double middle = std::sqrt(m.low * m.high);
        m.low = std::min(m.value, middle * std::exp(-half));
        m.high = std::max(m.value, middle * std::exp(half));
    }
    return s;
}

} // namespace tuning
