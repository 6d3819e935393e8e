#include "core/tuning/RowDraws.h"

#include "core/text/NumberText.h"

#include <boost/math/distributions/normal.hpp>

#include <algorithm>
#include <cmath>

namespace tuning {

double normalCdf(double x) {
    return 0.5 * std::erfc(-x / std::sqrt(2.0));
}

double normalQuantile(double p) {
    return boost::math::quantile(boost::math::normal(), p);
}

namespace {

std::optional<std::string> checkMode(const RowMode& m, std::size_t row) {
    const std::string where = "row " + std::to_string(row + 1);
    for (double v : {m.value, m.low, m.high})
        if (!(v > 0) || !std::isfinite(v))
            return where + " holds the value or interval end " + text::writtenNumber(v) +
                   "; all must be finite and above 0";
    if (!(m.low <= m.value && m.value <= m.high))
        return where + ": the interval " + text::writtenNumber(m.low) + " to " +
               text::writtenNumber(m.high) + " does not hold the value " +
               text::writtenNumber(m.value);
    if (!(m.changeSd >= 0) || !std::isfinite(m.changeSd))
        return where + ": the shared error's standard deviation " +
               text::writtenNumber(m.changeSd) + " is not finite and at least 0";
    if (!(m.share >= 0 && m.share <= 1))
        return where + ": the mode's share " + text::writtenNumber(m.share) +
               " does not lie within 0 to 1";
    return std::nullopt;
}

} // namespace

std::optional<std::string> checkSpread(const RowSpread& s) {
    if (s.main.size() != s.position.size() || s.main.empty())
        return std::string("the rows and their intervals differ in number");
    if (!s.others.empty() && s.others.size() != s.main.size())
        return std::string("the rows and their further modes differ in number");
    if (!(s.probability > 0 && s.probability < 1))
        return "the intervals' probability " + text::writtenNumber(s.probability) +
               " does not lie between 0 and 1";
    if (!(s.windowLength > 0) || !std::isfinite(s.windowLength))
        return "the window length " + text::writtenNumber(s.windowLength) + " is not above 0";
    for (std::size_t i = 0; i < s.main.size(); ++i) {
        if (auto problem = checkMode(s.main[i], i))
            return problem;
        if (!s.others.empty())
            for (const RowMode& m : s.others[i])
                if (auto problem = checkMode(m, i))
                    return problem;
    }
    return std::nullopt;
}

WindowSamples windowSamples(const std::vector<double>& z, const RowSpread& s) {
    WindowSamples w;
    const double half = s.windowLength / 2;
    for (const double x : s.position) {
        auto a = std::lower_bound(z.begin(), z.end(), x - half);
        auto b = std::upper_bound(z.begin(), z.end(), x + half);
        if (a == b) { // a window narrower than the spacing: its nearest sample
            const auto near = std::lower_bound(z.begin(), z.end(), x);
            a = near == z.end() || (near != z.begin() && x - *(near - 1) < *near - x) ? near - 1
                                                                                      : near;
            b = a + 1;
        }
        w.first.push_back(static_cast<std::size_t>(a - z.begin()));
        w.end.push_back(static_cast<std::size_t>(b - z.begin()));
    }
    return w;
}

RowDraws::RowDraws(const std::vector<double>& z, const RowSpread& spread, std::uint64_t seed)
    : spread_(spread), windows_(windowSamples(z, spread)), samples_(z.size()),
      zScore_(normalQuantile(0.5 + spread.probability / 2)), generator_(seed),
      prefix_(z.size() + 1, 0.0) {
    for (const auto& list : spread.others)
        modes_ = modes_ || !list.empty();
    for (const RowMode& m : spread.main)
        changes_ = changes_ || m.changeSd > 0;
}

double RowDraws::normal() {
    return normal_(generator_);
}

std::vector<double> RowDraws::correlatedNormals() {
    for (std::size_t k = 0; k < samples_; ++k)
        prefix_[k + 1] = prefix_[k] + normal_(generator_);
    std::vector<double> e(spread_.position.size());
    for (std::size_t i = 0; i < e.size(); ++i) {
        const std::size_t a = windows_.first[i], b = windows_.end[i];
        e[i] = (prefix_[b] - prefix_[a]) / std::sqrt(static_cast<double>(b - a));
    }
    return e;
}

double RowDraws::fromMode(const RowMode& m, double e) const {
    // About the interval's middle, not the row's value: a value on the grid of trial rates may
    // sit at one end of an interval narrower than the grid's step, and draws split at it were
    // biased by up to that step.
    const double middle = std::sqrt(m.low * m.high), half = std::log(m.high / m.low) / 2;
    return middle * std::exp(e * half / zScore_);
}

std::vector<double> RowDraws::next() {
    const std::vector<double> e = correlatedNormals();
    std::vector<double> pick;
    if (modes_)
        pick = correlatedNormals();
    const double shared = changes_ ? normal_(generator_) : 0.0;
    std::vector<double> v(e.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        const RowMode* mode = &spread_.main[i];
        if (modes_ && !spread_.others[i].empty()) {
            double total = mode->share;
            for (const RowMode& m : spread_.others[i])
                total += m.share;
            double u = normalCdf(pick[i]) * total - mode->share;
            for (std::size_t j = 0; u > 0 && j < spread_.others[i].size(); ++j) {
                mode = &spread_.others[i][j];
                u -= mode->share;
            }
        }
        v[i] = fromMode(*mode, e[i]) * std::exp(shared * spread_.main[i].changeSd);
    }
    return v;
}

} // namespace tuning
