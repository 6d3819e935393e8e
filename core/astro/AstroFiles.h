// The astronomical results as files: a '#' block saying how they were made (the record and
// its preparation, then the test's settings), a line of column titles and tab-separated rows,
// numbers that read back to the same double. The window, the tool and the module write the
// same text.
#pragma once

#include "core/analysis/Provenance.h"
#include "core/astro/BandPass.h"
#include "core/astro/SpectralMisfit.h"
#include "core/astro/TimeOpt.h"
#include "core/astro/TrackFlags.h"

#include <optional>
#include <string>
#include <vector>

namespace astro {

// What the '#' block of a test names besides the record.
struct TestDescription {
    analysis::Provenance record;
    std::string positionUnit = "m";
    std::string targetsSource;   // empty: the default periods
    std::optional<double> ageMa; // the precession and obliquity periods are this age's
    TimeOptSettings settings;
    // The probability of the rate's intervals.
    double interval = analysis::parameterDefault(analysis::ParameterId::IntervalProbability);
};

// "position	value	filtered	envelope	edge", one row per sample, edge 1 on the
// record's edges (core/astro/BandPass.h), else 0.
std::string filterText(const analysis::Provenance& record, const Band& band,
                       const std::vector<double>& positions, const std::vector<double>& values,
                       const BandPassed& filtered);

// "sedimentation_rate	r2_envelope	r2_power	r2_opt", one row per scored rate; the block
// ends with what the optimum means (cautions and candidates, core/astro/TestReading.h), the
// rate's interval (the mode holding the optimum, and any other modes), the optimum, its r2_opt
// and, with a significance, the p-value.
std::string timeOptText(const TestDescription& d, const TimeOptScan& scan,
                        const Significance* significance);

// "x_centre	sedimentation_rate	r2_envelope	r2_power	r2_opt", every window and
// scored rate.
std::string evolutiveText(const TestDescription& d, double windowLength, double stepLength,
                          const EvolutiveTimeOpt& e);

// "x_centre	sedimentation_rate	r2_opt	p_value	flag	identified_rate	rate_low
// rate_high mode_share", one row per window (p_value NA where the windows were not tested; the
// interval NA where the window has none); the block says how the windows were tested, flagged,
// identified and given intervals, and names each window's alternative rate.
std::string trackText(const TestDescription& d, double windowLength, double stepLength,
                      const FlaggedTrack& track, int simulations, double fdr);

// "95 % from 2.01 to 2.03 cm/kyr (share 1)": a mode of an interval, in words.
std::string modeText(const RateInterval& interval, const RateMode& mode);
// What the '#' block of the misfit names: the test's record, grid and targets, and the lines'
// F-test.
struct MisfitDescription {
    TestDescription test;
    double tbw = 0, level = 0;
    int tapers = 0, nfft = 0, simulations = 0;
    std::uint64_t seed = 0;
};

// "sedimentation_rate	misfit	p_null", one row per rate the misfit scored; the block ends
// with the best rate and its null probability, corrected for the rates tried.
std::string misfitText(const MisfitDescription& d, const LineSet& lines, const MisfitScan& scan);

// Whether every number a result would write is finite.
bool allFinite(const std::vector<double>& v);
bool allFinite(const std::vector<RateScore>& scores);

} // namespace astro
