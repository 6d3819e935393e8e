#include "core/tuning/Hiatus.h"

#include "core/text/NumberText.h"
#include "core/tuning/NeighbourReadings.h"

#include <algorithm>
#include <cmath>

namespace tuning {

namespace {

// One standard deviation of a row's log value, from the wider half of its interval.
double logSd(const RowMode& m, double z) {
    return std::max(std::log(m.value / m.low), std::log(m.high / m.value)) / z;
}

// Whether one of the row's further modes lies within `tolerance` (log) of `value`: a change
// to it is the factor-of-two case the row already allows, not a break.
bool anotherModeNear(const RowSpread& s, std::size_t row, double value, double tolerance) {
    if (s.others.empty())
        return false;
    return std::any_of(s.others[row].begin(), s.others[row].end(), [&](const RowMode& m) {
        return std::fabs(std::log(m.value / value)) <= tolerance;
    });
}

// The upper quartile of the absolute changes of log value between neighbouring rows, leaving
// out rows read at the other cycle than their neighbours: a break changes a few of them, noise
// many (most neighbours of a quiet record take the same grid rate, so a median reads 0).
double usualChange(const RowSpread& s) {
    const std::vector<double> logs = settledRows(s).logValue;
    std::vector<double> change;
    for (std::size_t i = 1; i < logs.size(); ++i)
        change.push_back(std::fabs(logs[i] - logs[i - 1]));
    if (change.empty())
        return 0;
    const auto middle = change.begin() + static_cast<std::ptrdiff_t>(change.size() * 3 / 4);
    std::nth_element(change.begin(), middle, change.end());
    return *middle;
}

struct Sign {
    double first, last;
    std::string text;
};

std::vector<Sign> signs(const RowSpread& s, const std::string& quantity) {
    const double z = normalQuantile(0.5 + s.probability / 2);
    // In a noisy record the rows jump between neighbours by more than their intervals say: a
    // change no larger than abruptSds times the rows' usual change is no break.
    const double usualFloor = abruptSds * usualChange(s);
    std::vector<Sign> out;
    for (std::size_t i = 0; i < s.main.size(); ++i) {
        const RowMode& m = s.main[i];
        if (m.share < dominantShare)
            out.push_back({s.position[i], s.position[i],
                           "no dominant " + quantity + " at x_centre " +
                               text::writtenNumber(s.position[i]) + " (its mode holds " +
                               text::displayNumber(m.share, 2) + " of the probability)"});
        if (i + 1 == s.main.size())
            continue;
        const RowMode& n = s.main[i + 1];
        const double gap = s.position[i + 1] - s.position[i];
        const double rho = s.windowLength > 0 ? std::max(0.0, 1 - gap / s.windowLength) : 0.0;
        const double a = logSd(m, z), b = logSd(n, z);
        const double sd = std::sqrt(std::max(0.0, a * a + b * b - 2 * rho * a * b));
        const double limit = std::max({abruptSds * sd, abruptChange, usualFloor});
        const double change = std::log(n.value / m.value);
        if (std::fabs(change) <= limit || anotherModeNear(s, i + 1, m.value, limit) ||
            anotherModeNear(s, i, n.value, limit))
            continue;
        out.push_back({s.position[i], s.position[i + 1],
                       "the " + quantity + " changes by " +
                           text::displayNumber(100 * std::expm1(change), 2) +
                           " % between x_centre " + text::writtenNumber(s.position[i]) + " and " +
                           text::writtenNumber(s.position[i + 1])});
    }
    return out;
}

} // namespace

std::vector<PossibleHiatus> possibleHiatuses(const RowSpread& s, const std::string& quantity) {
    std::vector<PossibleHiatus> out;
    if (s.main.size() < 2)
        return out;
    // Signs closer than a window (or, the window unknown, than two rows) are one stretch.
    const double join = s.windowLength > 0 ? s.windowLength
                                           : 2 * (s.position.back() - s.position.front()) /
                                                 static_cast<double>(s.position.size() - 1);
    // A row read at the other cycle than its neighbours is the factor-of-two case, not a break.
    for (const Sign& g : signs(withNeighbourReadings(s), quantity)) {
        if (out.empty() || g.first - out.back().last >= join)
            out.push_back({0, g.first, g.last, {}});
        PossibleHiatus& h = out.back();
        h.last = std::max(h.last, g.last);
        h.signs.push_back(g.text);
    }
    for (PossibleHiatus& h : out)
        h.position = (h.first + h.last) / 2;
    return out;
}

} // namespace tuning
