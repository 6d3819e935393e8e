// The astronomical periods a record is tested against, in kyr: eccentricity (whose terms
// modulate the amplitude of precession) and precession. Defaults are those of the present-day
// solution the field uses; a tab-separated file with a column `period` and a column `kind`
// (e or p) replaces them.
#pragma once

#include "core/astro/AstroProblem.h"

#include <optional>
#include <string>
#include <vector>

namespace astro {

struct Targets {
    std::vector<double> eccentricity{405.6795, 130.719, 123.839, 98.86307, 94.87666};
    std::vector<double> precession{23.62069, 22.31868, 19.06768, 18.91979};
    std::vector<double> obliquity{41.0, 39.7, 53.6};
};

struct TargetsRead {
    Targets targets;
    std::optional<Problem> problem;
};

// The targets a file's text holds ('#' lines skipped, the first other line naming the
// columns). Refused: a missing column, a period that is not a number above 0, a kind other
// than e or p, and a file without both kinds.
TargetsRead readTargets(const std::string& text);

} // namespace astro
