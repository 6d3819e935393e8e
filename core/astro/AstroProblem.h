// Why an astronomical test, a band-pass or an age model from sedimentation rates cannot be
// made: the parameter at fault and one line in the user's terms that says what is allowed.
// Texts do not name options or fields: each front end names them its own way.
#pragma once

#include "core/analysis/ParameterCatalogue.h"

#include <optional>
#include <string>
#include <vector>

namespace astro {

struct Problem {
    // The catalogue's parameter at fault; nothing when it is the record itself (too short,
    // constant, not finite).
    std::optional<analysis::ParameterId> parameter;
    std::string text;
};

// A record these computations cannot take: fewer than `fewest` values, a value that is not a
// finite number, a spacing that is not a finite number above 0.
std::optional<Problem> checkRecord(const std::vector<double>& values, double spacing,
                                   std::size_t fewest);

} // namespace astro
