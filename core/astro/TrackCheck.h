// A traced line held against the astronomical test's track: the rate a trace of period P
// implies at each of its rows, 100 / (f P) cm/kyr for f in cycles per metre, set beside the
// track's rate there. Where the two differ by more than the jump rule allows between
// neighbouring windows (25 %), the trace's period is not the line's at the test's rate: the
// row is mismatched, and named with the period and cycle the line has at the track's rate.
#pragma once

#include "core/astro/Targets.h"
#include "core/tuning/AgeModel.h"
#include "core/tuning/SedimentationRate.h"

#include <string>
#include <vector>

namespace astro {

struct TrackMismatch {
    std::size_t row = 0;      // of the trace, from 0
    double position = 0;      // position units
    double tracedRate = 0;    // cm/kyr, from the trace and its period
    double trackRate = 0;     // cm/kyr, the track's
    double periodAtTrack = 0; // kyr: the line's period at the track's rate
    std::string cycle;        // cycleName of that period: e405, e100, o41, p23, p19 or none
};

// The trace's rows (positions in units of metresPerUnit metres, frequencies in cycles per
// unit) whose rate at `period` kyr disagrees with the track's.
std::vector<TrackMismatch> checkTraceAgainstTrack(const tuning::Trace& trace, double period,
                                                  const tuning::RateTrack& track,
                                                  double metresPerUnit, const Targets& targets);

// "3 rows disagree with the track: at x_centre 12.5 (line 40) the trace implies 4.6 cm/kyr, the
// track 2.3; at 2.3 cm/kyr this line is a 19.6-kyr cycle: precession, not 41 kyr; ...", the
// first few named; lines: the file line of each trace row (or empty).
std::string mismatchText(const std::vector<TrackMismatch>& m, const std::vector<int>& lines,
                         double period);

} // namespace astro
