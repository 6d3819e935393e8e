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

// The neighbours' reading of row i, when the row is read at the other cycle.
std::optional<RowMode> neighbourReading(const RowSpread& s, std::size_t i) {
    std::vector<double> value, below, above;
    for (std::size_t j = 0; j < s.main.size(); ++j) {
        const bool near = s.windowLength > 0
                              ? std::fabs(s.position[j] - s.position[i]) <= s.windowLength
                              : j + 1 == i || j == i + 1;
        if (j == i || !near)
            continue;
        const RowMode& m = s.main[j];
        value.push_back(m.value);
        below.push_back(m.low / m.value);
        above.push_back(m.high / m.value);
    }
    if (value.size() < 2)
        return std::nullopt;
    const double v = median(value);
    if (!aliasRatio(v, s.main[i].value))
        return std::nullopt;
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

std::size_t outlyingReadings(const RowSpread& s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.main.size(); ++i)
        count += neighbourReading(s, i).has_value();
    return count;
}

} // namespace tuning
