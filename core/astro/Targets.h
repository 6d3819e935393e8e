// The astronomical periods a record is tested against, in kyr: eccentricity (whose terms
// modulate the amplitude of precession), obliquity and precession. Defaults are those of the
// present-day solution the field uses; a tab-separated file with a column `period` and a column
// `kind` (e, o or p) replaces them.
#pragma once

#include "core/astro/AstroProblem.h"

#include <optional>
#include <string>
#include <vector>

namespace astro {

struct Targets {
    std::vector<double> eccentricity{405.6795, 130.719, 123.839, 98.86307, 94.87666};
    std::vector<double> precession{23.62069, 22.31868, 19.06768, 18.91979};
    // The four strongest obliquity terms of the La2004 solution (Laskar et al. 2004, A&A 428,
    // 261-285), periods 1 / (p + s_i) for s3, s4, s6 and s1 of its Table 3 with the precession
    // constant p = 50.475838 arcsec/yr: 41.0, 39.6, 53.7 and 28.9 kyr. The TimeOpt scores do
    // not use them.
    std::vector<double> obliquity{40.97656, 39.60295, 53.71357, 28.88612};
};

struct TargetsRead {
    Targets targets;
    std::optional<Problem> problem;
};

// The targets a file's text holds ('#' lines skipped, the first other line naming the
// columns). The file replaces every default: without o rows it has no obliquity periods.
// Refused: a missing column, a period that is not a number above 0, a kind other than e, o or
// p, and a file without both e and p.
TargetsRead readTargets(const std::string& text);

} // namespace astro
