// Which cycle a traced line is, window by window. A trace follows one line by continuity; where
// the rate changes fast (a step), the line it follows can become another cycle at nearly the
// same frequency (obliquity's line, after the rate doubles, lies where precession's was), and
// the period the user gave no longer holds. The astronomical test's posterior for the rate in
// the row's window (core/astro/RatePosterior.h) weighs the readings: the rate the traced
// frequency gives at the given period, and those it gives at the target periods at the ratio
// of obliquity's period to precession's from it (the factor-of-two case). A row is read as
// another cycle where the posterior gives the rates within a factor 1.25 of such a reading more
// probability than those about the given reading. An age ensemble then draws the row at either
// reading, half the models each: one window's test does not settle the identity, so neither reading
// is dropped.
#pragma once

#include "core/astro/Targets.h"
#include "core/astro/TimeOpt.h"
#include "core/tuning/RowDraws.h"

#include <vector>

namespace astro {

struct CycleReading {
    std::size_t row = 0;   // of the trace, from 0
    double position = 0;   // the row's, position units
    double period = 0;     // kyr: the target period the row is read as
    double share = 0;      // the posterior's probability about that reading
    double givenShare = 0; // about the given period's
};

// frequency: the traced line's at each row (cycles per position unit, positions in
// metresPerUnit metres); e: the astronomical test in windows about the rows (each row takes the
// window centred nearest it); period: the given one (kyr).
std::vector<CycleReading> readTracedCycle(const std::vector<double>& position,
                                          const std::vector<double>& frequency,
                                          const EvolutiveTimeOpt& e, double period,
                                          double metresPerUnit, const Targets& targets = {});

// s with each row read as another cycle given that reading as a further mode of the row's
// share: its frequency and interval times period_read / period, the frequency the given
// period's cycle would have there. The readings are stated in s.readings.
tuning::RowSpread withCycleReadings(tuning::RowSpread s, const std::vector<CycleReading>& r,
                                    double period, const Targets& targets = {});

} // namespace astro
