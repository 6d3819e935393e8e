// Why an astronomical test, a band-pass or an age model from sedimentation rates cannot be
// made: the setting at fault and one line in the user's terms that says what is allowed.
// Texts do not name options or fields: each front end names them its own way.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace astro {

enum class Setting {
    Series,         // the record itself (too short, constant)
    PositionUnit,   // m, cm or mm
    Passband,       // band-pass limits, cycles per position unit
    PrecessionBand, // envelope band, cycles per kyr
    SedMin,
    SedMax,
    NumSed,
    Targets,
    WindowLength,
    StepLength,
    Simulations,
    RateTrack // a sedimentation-rate track for an age model
};

struct Problem {
    Setting setting;
    std::string text;
};

// A record these computations cannot take: fewer than `fewest` values, a value that is not a
// finite number, a spacing that is not a finite number above 0.
std::optional<Problem> checkRecord(const std::vector<double>& values, double spacing,
                                   std::size_t fewest);

} // namespace astro
