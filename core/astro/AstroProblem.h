// Why an astronomical test, a band-pass or an age model from sedimentation rates cannot be
// made: the setting at fault and one line in the user's terms that says what is allowed.
// Texts do not name options or fields: each front end names them its own way.
#pragma once

#include <string>

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

} // namespace astro
