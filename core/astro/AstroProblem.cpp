#include "core/astro/AstroProblem.h"

#include "core/text/NumberText.h"

#include <cmath>

namespace astro {

std::optional<Problem> checkRecord(const std::vector<double>& values, double spacing,
                                   std::size_t fewest) {
    if (values.size() < fewest)
        return Problem{std::nullopt, "the record holds " + std::to_string(values.size()) +
                                         " samples; at least " + std::to_string(fewest) +
                                         " are needed"};
    if (!(spacing > 0) || !std::isfinite(spacing))
        return Problem{std::nullopt, "the sample spacing " + text::exactNumber(spacing) +
                                         " must be a finite number above 0"};
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!std::isfinite(values[i]))
            return Problem{std::nullopt, "sample " + std::to_string(i + 1) +
                                             " holds a value that is not a finite number"};
    return std::nullopt;
}

} // namespace astro
