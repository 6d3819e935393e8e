// What the astronomical commands of tonalith-cli take, and the commands themselves:
//   filter    band-pass and amplitude envelope of the prepared series;
//   timeopt   the astronomical test over trial sedimentation rates, with its p-value;
//   etimeopt  the same test in moving windows, and the track of its optima;
//   tune --sedrate   an age model and tuned series from a sedimentation-rate track.
// Each returns the process exit status: 0 success, 2 bad input (one line on standard error, no
// file written), 1 a failed computation or write.
#pragma once

#include "cli/AnalyzeOptions.h"
#include "core/astro/BandPass.h"
#include "core/astro/TimeOpt.h"

#include <cstdint>
#include <optional>
#include <string>

namespace cli {

struct AstroOptions {
    // FILE, --column, --skip, the preparation options (keepMean, preparation), --interpolate
    // (interpolate, interpolateStep), -o (output; empty: standard output) and --quiet, in the
    // fields loadChecked reads; for the figures, their size (mapWidth, mapHeight), and for the
    // map its colours and reverseX. Its analysis parameters are not used.
    AnalyzeOptions input;
    // --positions-in: the positions' unit, "m", "cm" or "mm" (timeopt, etimeopt, tune).
    std::string positionsIn = "m";

    // filter --passband FLO:FHI, cycles per position unit.
    astro::Band passband;

    // timeopt and etimeopt.
    // The defaults are the catalogue's.
    astro::RateGrid grid; // --sedmin, --sedmax, --numsed, --linear-grid
    astro::Band precessionBand = astro::defaultPrecessionBand(); // --precession-band, cycles/kyr
    std::string targets; // --targets FILE; empty: the default periods
    // --age-ma: the precession and obliquity periods of this age (Ma); none: the defaults
    std::optional<double> ageMa;
    // --sims: AR(1) surrogates for the record (timeopt) or each window (etimeopt); 0: none
    int sims = analysis::wholeDefault(analysis::ParameterId::Simulations);
    // --seed of the surrogates
    std::uint64_t seed =
        static_cast<std::uint64_t>(analysis::wholeDefault(analysis::ParameterId::Seed));
    int workers = 0; // --workers; 0: one per core
    // --interval: the probability of the rate's interval
    double interval = analysis::parameterDefault(analysis::ParameterId::IntervalProbability);
    // etimeopt --fdr: false discovery rate over the windows' p-values
    double fdr = analysis::parameterDefault(analysis::ParameterId::WindowFalseDiscoveryRate);
    // The lines' F-test (asm; etimeopt in each window): --tbw, --tapers, --nfft (asm; 0: the
    // smallest power of two at least twice the record), --level (etimeopt's default is its
    // own, set by its command line); the random line sets (asm
    // --sims, etimeopt --asm-sims).
    double lineTbw = analysis::parameterDefault(analysis::ParameterId::MisfitTbw);
    int lineTapers = analysis::wholeDefault(analysis::ParameterId::MisfitTapers);
    int lineNfft = 0;
    double lineLevel = analysis::parameterDefault(analysis::ParameterId::MisfitLevel);
    int misfitSims = analysis::wholeDefault(analysis::ParameterId::MisfitSimulations);
    int windowMisfitSims = analysis::wholeDefault(analysis::ParameterId::WindowMisfitSimulations);
    std::string plot; // timeopt --plot FILE (.pdf, .png or .svg): the curves; empty: none

    // etimeopt: --window-length and --step-length in position units, --track FILE (empty:
    // none) for the rate of largest r2_opt per window, and --map FILE (.pdf, .png or .svg;
    // empty: none) for r2_opt over position and rate with the track drawn over it.
    double windowLength = 0, stepLength = 0;
    std::string track, map;

    // tune --sedrate TRACK, with --start-age (kyr), --step (resampling step of the tuned
    // series in kyr; 0: none) and --model FILE (the age model; empty: none).
    std::string sedrateTrack;
    std::string rateColumn; // --rate-column: the track's column of rates; empty: the default
    double startAge = 0, tuneStep = 0;
    std::string model;
};

int runFilter(const AstroOptions& options);
int runTimeOpt(const AstroOptions& options);
int runETimeOpt(const AstroOptions& options);
int runMisfit(const AstroOptions& options);
int runTuneSedrate(const AstroOptions& options);

} // namespace cli
