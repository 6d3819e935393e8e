#include "core/tuning/PiecewiseLinear.h"

#include "core/text/NumberText.h"

#include <algorithm>
#include <cmath>

namespace tuning {

std::optional<std::string> checkPiecewise(const std::vector<double>& position,
                                          const std::vector<double>& value,
                                          const std::vector<int>* lines,
                                          const PiecewiseWords& words) {
    const auto where = [&](std::size_t i) {
        return lines ? "line " + std::to_string((*lines)[i]) : "row " + std::to_string(i + 1);
    };
    const std::string of = std::string(" of the ") + words.what;
    if (position.empty() || position.size() != value.size())
        return std::string("the ") + words.what + " holds no rows with a position and a " +
               words.quantity;
    for (std::size_t i = 0; i < position.size(); ++i) {
        if (!std::isfinite(position[i]))
            return where(i) + of + " holds a position that is not a finite number";
        if (!(value[i] > 0) || !std::isfinite(value[i]))
            return where(i) + of + " holds the " + words.quantity + " " +
                   text::numberText(value[i]) + "; " + words.rule;
        if (i > 0 && !(position[i] > position[i - 1]))
            return where(i) + of + " holds the position " + text::numberText(position[i]) +
                   ", which is not above the one before; positions must increase";
    }
    return std::nullopt;
}

double piecewiseAt(const std::vector<double>& x, const std::vector<double>& v, double z) {
    if (z <= x.front())
        return v.front();
    if (z >= x.back())
        return v.back();
    const std::size_t j = static_cast<std::size_t>(std::upper_bound(x.begin(), x.end(), z) -
                                                   x.begin()); // x[j-1] <= z < x[j]
    const double u = (z - x[j - 1]) / (x[j] - x[j - 1]);
    return v[j - 1] + u * (v[j] - v[j - 1]);
}

} // namespace tuning
