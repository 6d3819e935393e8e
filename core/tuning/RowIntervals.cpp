#include "core/tuning/RowIntervals.h"

#include "core/results/HeaderBlock.h"
#include "core/series/SeriesFile.h"

#include <cmath>

namespace tuning {

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
                                    const std::vector<int>& lines, const char* lowColumn,
                                    const char* highColumn, const char* what, std::string* why) {
    const auto low = columns.find(lowColumn), high = columns.find(highColumn);
    if (low == columns.end() || high == columns.end()) {
        *why = std::string("the ") + what + " holds no columns named " + lowColumn + " and " +
               highColumn + ", the interval of each row, which an ensemble is drawn from";
        return std::nullopt;
    }
    const auto share = columns.find("mode_share");
    RowSpread s;
    s.position = position;
    for (std::size_t i = 0; i < position.size(); ++i) {
        RowMode m{value[i], low->second[i], high->second[i],
                  share == columns.end() ? 1.0 : share->second[i]};
        if (!std::isfinite(m.low) || !std::isfinite(m.high) || !std::isfinite(m.share)) {
            *why = "line " + std::to_string(lines[i]) + " of the " + what +
                   " holds no interval (NA); an ensemble needs one in every row";
            return std::nullopt;
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
    return spreadFrom(t.track.position, t.track.rate, t.intervals, t.lines, "rate_low", "rate_high",
                      "track", why);
}

std::optional<RowSpread> frequencySpread(const ReadTrace& t, std::string* why) {
    return spreadFrom(t.trace.position, t.trace.frequency, t.intervals, t.lines, "frequency_low",
                      "frequency_high", "trace", why);
}

} // namespace tuning
