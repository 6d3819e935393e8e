#include "core/tuning/RowIntervals.h"

#include "core/results/HeaderBlock.h"
#include "core/series/SeriesFile.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <utility>

namespace tuning {

namespace {

// How far (a factor) a value may lie outside its interval and still be its own: the same reading
// of the cycles (the factor within which the astronomical test's candidates read the lines
// alike; a window's optimum on the grid of r2_opt may lie several grid steps from the
// likelihood's interval), well short of another mode (a factor of two).
constexpr double nearInterval = 1.25;

} // namespace

namespace {

// The number a value starts with ("12 position units, step 1": 12).
std::optional<double> leadingNumber(const std::string& value) {
    const auto number = series::parseNumber(value.substr(0, value.find(' ')));
    return number && *number > 0 && std::isfinite(*number) ? number : std::nullopt;
}

} // namespace

std::optional<double> rowWindowLength(const std::string& text) {
    const auto window = results::headerValue(text, "window");
    if (!window)
        return std::nullopt;
    const auto length = leadingNumber(*window);
    if (!length)
        return std::nullopt;
    if (window->find("position units") != std::string::npos)
        return length;
    const auto spacing = results::headerValue(text, "sample spacing");
    const auto step = spacing ? leadingNumber(*spacing) : std::nullopt;
    if (window->find("samples") != std::string::npos && step)
        return *length * *step;
    return std::nullopt;
}

std::optional<RowSpread> spreadFrom(const std::vector<double>& position,
                                    const std::vector<double>& value,
                                    const std::map<std::string, std::vector<double>>& columns,
                                    const char* lowColumn, const char* highColumn, const char* what,
                                    std::string* why) {
    const auto low = columns.find(lowColumn), high = columns.find(highColumn);
    if (low == columns.end() || high == columns.end()) {
        *why = std::string("the ") + what + " holds no columns named " + lowColumn + " and " +
               highColumn + ", the interval of each row, which an ensemble is drawn from";
        return std::nullopt;
    }
    const auto share = columns.find("mode_share");
    // An interval computed between the grid's rates may miss a value that lies on the grid by
    // up to a step: it is stretched to hold it. A row without an interval near its value (NA,
    // or the interval of another mode than the value's) takes the median widths of the others,
    // either side.
    const auto ends = [&](std::size_t i) -> std::optional<std::pair<double, double>> {
        const double a = low->second[i], b = high->second[i], v = value[i];
        if (!(a > 0) || !(b >= a) || !std::isfinite(b) || !(v > 0) || !std::isfinite(v) ||
            v < a / nearInterval || v > b * nearInterval)
            return std::nullopt;
        return std::make_pair(std::min(a, v), std::max(b, v));
    };
    std::vector<double> below, above;
    for (std::size_t i = 0; i < position.size(); ++i)
        if (const auto e = ends(i)) {
            below.push_back(std::log(value[i] / e->first));
            above.push_back(std::log(e->second / value[i]));
        }
    if (below.empty()) {
        *why = std::string("the ") + what + " holds no row with an interval (" + lowColumn +
               " and " + highColumn + " are NA), which an ensemble is drawn from";
        return std::nullopt;
    }
    const auto median = [](std::vector<double> v) {
        std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    const double medianBelow = median(below), medianAbove = median(above);
    RowSpread s;
    s.position = position;
    for (std::size_t i = 0; i < position.size(); ++i) {
        RowMode m{value[i], low->second[i], high->second[i],
                  share == columns.end() ? 1.0 : share->second[i]};
        if (!std::isfinite(m.share))
            m.share = 1;
        if (const auto e = ends(i)) {
            std::tie(m.low, m.high) = *e;
        } else {
            // The interval of another mode than the value's (the likelihood's, where the
            // identity chose the value by the lines): drawn at either, half the models each.
            const double a = low->second[i], b = high->second[i];
            if (a > 0 && b >= a && std::isfinite(b)) {
                s.others.resize(position.size());
                s.others[i].push_back({std::sqrt(a * b), a, b, m.share});
            }
            m.low = value[i] * std::exp(-medianBelow);
            m.high = value[i] * std::exp(medianAbove);
            ++s.widened;
        }
        s.main.push_back(m);
    }
    return s;
}

RowSpread pointSpread(const std::vector<double>& position, const std::vector<double>& value) {
    RowSpread s;
    s.position = position;
    for (const double v : value)
        s.main.push_back({v, v, v, 1});
    return s;
}

std::optional<RowSpread> rateSpread(const ReadRateTrack& t, std::string* why) {
    return spreadFrom(t.track.position, t.track.rate, t.intervals, "rate_low", "rate_high", "track",
                      why);
}

std::optional<RowSpread> frequencySpread(const ReadTrace& t, std::string* why) {
    return spreadFrom(t.trace.position, t.trace.frequency, t.intervals, "frequency_low",
                      "frequency_high", "trace", why);
}

} // namespace tuning
