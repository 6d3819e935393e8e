// The evolutive astronomical test's track as the other panels read it: at each window centre
// the rate the lines and r2_opt agree on, and what turns it into cycles. The window-detail
// lines name their cycles with it, the target guides follow it and a traced line is held
// against it.
#pragma once

#include "core/astro/Targets.h"
#include "core/tuning/SedimentationRate.h"

struct TestTrack {
    tuning::RateTrack rates;  // identified rates (cm/kyr) at window centres (position units)
    double metresPerUnit = 1; // the positions' unit, as the test took it
    astro::Targets targets;   // the periods (kyr) the windows were tested against

    // The rate at z in position units per kyr.
    double unitsPerKyr(double z) const { return tuning::rateAt(rates, z) / (100 * metresPerUnit); }
};
