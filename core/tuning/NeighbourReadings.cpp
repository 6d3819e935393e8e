#include "core/tuning/NeighbourReadings.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace tuning {

namespace {

double median(std::vector<double> v) {
    const auto middle = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), middle, v.end());
    return *middle;
}

// The neighbours' reading of row i, when the row is read at the other cycle: the rows before it
// and those after it (within a window) each lie, by their median, at the alias ratio from it; a
// side without rows leaves the other to decide, with two rows at least. Each side decides apart,
// so that a real change of rate between two stretches is not taken for an outlying row.
std::optional<RowMode> neighbourReading(const RowSpread& s, std::size_t i) {
    std::vector<double> before, after, below, above;
    for (std::size_t j = 0; j < s.main.size(); ++j) {
        const bool near = s.windowLength > 0
                              ? std::fabs(s.position[j] - s.position[i]) <= s.windowLength
                              : j + 1 == i || j == i + 1;
        if (j == i || !near)
            continue;
        const RowMode& m = s.main[j];
        (j < i ? before : after).push_back(m.value);
        below.push_back(m.low / m.value);
        above.push_back(m.high / m.value);
    }
    const double own = s.main[i].value;
    const auto aside = [&](const std::vector<double>& side) {
        if (side.empty())
            return true;
        const double m = median(side), r = m > own ? m / own : own / m;
        return r >= outlyingLow && r <= outlyingHigh;
    };
    if (before.size() + after.size() < 2 || !aside(before) || !aside(after))
        return std::nullopt;
    std::vector<double> all = before;
    all.insert(all.end(), after.begin(), after.end());
    const double v = median(all);
    return RowMode{v, v * median(below), v * median(above), s.main[i].share};
}

} // namespace

bool aliasRatio(double a, double b) {
    const double r = a > b ? a / b : b / a;
    return r >= aliasLow && r <= aliasHigh;
}

RowSpread withNeighbourReadings(RowSpread s) {
    std::vector<std::optional<RowMode>> found;
    found.reserve(s.main.size());
    for (std::size_t i = 0; i < s.main.size(); ++i)
        found.push_back(neighbourReading(s, i));
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (!found[i])
            continue;
        s.others.resize(s.main.size());
        s.others[i].push_back(*found[i]);
    }
    return s;
}

SettledRows settledRows(const RowSpread& s) {
    SettledRows r;
    for (std::size_t i = 0; i < s.main.size(); ++i)
        if (!neighbourReading(s, i)) {
            r.position.push_back(s.position[i]);
            r.logValue.push_back(std::log(s.main[i].value));
        }
    return r;
}

std::size_t outlyingReadings(const RowSpread& s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.main.size(); ++i)
        count += neighbourReading(s, i).has_value();
    return count;
}

} // namespace tuning
