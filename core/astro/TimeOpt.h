// The astronomical test of a record over trial sedimentation rates. For each rate s (cm/kyr)
// positions z (metres) become times t = 100 z / s (kyr); on the linearly detrended,
// standardised series
//   r2_power    = fraction of the variance explained by a least-squares fit of a constant and
//                 a cosine and a sine at every target period;
//   r2_envelope = the same fraction for the amplitude envelope of the precession band (band-
//                 passed, modulus of the analytic signal), fitted at the eccentricity periods
//                 over the samples off the record's edges (core/astro/BandPass.h), where the
//                 envelope sags for want of record; 0 where fewer than twice its regressors
//                 are left;
//   r2_opt      = r2_envelope x r2_power.
// A rate is scored only when the whole precession band lies below the record's Nyquist
// frequency in time. The significance of the largest r2_opt comes from AR(1) surrogates with
// the record's lag-1 autocorrelation, each scored by its own largest r2_opt over the same
// rates. The evolutive form tests moving windows of the record. Every scan also gives the
// likelihood of the rate from the power fit's residuals, for the rate's interval
// (core/astro/RatePosterior.h).
#pragma once

#include "core/astro/AstroProblem.h"
#include "core/astro/BandPass.h"
#include "core/astro/RatePosterior.h"
#include "core/astro/Targets.h"
#include "core/astro/Workers.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace astro {

// The defaults are the catalogue's.
struct RateGrid {
    double low = analysis::parameterDefault(analysis::ParameterId::SedMin); // cm/kyr
    double high = analysis::parameterDefault(analysis::ParameterId::SedMax);
    int count = analysis::wholeDefault(analysis::ParameterId::NumSed);
    bool linear = false; // else evenly spaced in log(rate)
};

// The grid's rates, increasing (count 1: low alone).
std::vector<double> gridRates(const RateGrid& grid);

// The catalogue's precession band.
inline Band defaultPrecessionBand() {
    const auto [low, high] = analysis::defaultLimits(analysis::ParameterId::PrecessionBand);
    return {low, high};
}

struct TimeOptSettings {
    double metresPerUnit = 1.0;                    // the positions' unit in metres
    RateGrid grid;                                 // trial sedimentation rates
    Band precessionBand = defaultPrecessionBand(); // cycles per kyr
    Targets targets;                               // periods in kyr
};

// The grid's rates that put the whole precession band below the Nyquist frequency of a record
// sampled every `spacing` position units.
std::vector<double> scoredRates(const TimeOptSettings& settings, double spacing);

// Settings that cannot be tested on `samples` samples at `spacing`: the first fault.
std::optional<Problem> checkTimeOpt(const TimeOptSettings& settings, std::size_t samples,
                                    double spacing);

struct RateScore {
    double rate = 0; // cm/kyr
    double r2Envelope = 0, r2Power = 0, r2Opt = 0;
    double logLikelihood = 0; // of the rate, from the power fit (RatePosterior.h); 0 in surrogates
};

struct TimeOptScan {
    std::vector<RateScore> scores; // one per scored rate, increasing
    std::size_t best = 0;          // the score of largest r2Opt
    double lag1 = 0;               // lag-1 autocorrelation of the detrended record
    // The rate's log-likelihood at the scored rates and between them where the posterior holds
    // its mass (refineLikelihood), increasing.
    std::vector<RateLikelihood> likelihood;
    std::optional<Problem> problem;
    bool cancelled = false;
};

// The record's values, evenly spaced by `spacing` position units.
TimeOptScan timeOpt(const std::vector<double>& values, double spacing,
                    const TimeOptSettings& settings, const Execution& execution = {});

struct Significance {
    int simulations = 0;
    int reaching = 0;  // surrogates whose largest r2_opt reached the record's
    double pValue = 1; // (1 + reaching) / (simulations + 1)
    std::optional<Problem> problem;
    bool cancelled = false;
};

// `simulations` surrogates of the record scanned as `record` was (record: timeOpt of the same
// values and settings, not cancelled). Surrogate i draws from a generator seeded by (seed, i)
// alone, so the p-value does not depend on the number of workers. The surrogates are
// standardised and scored exactly as the record.
Significance significance(const std::vector<double>& values, double spacing,
                          const TimeOptSettings& settings, const TimeOptScan& record,
                          int simulations, std::uint64_t seed, const Execution& execution = {});

// The same test in windows of windowLength position units, windowLength / spacing samples
// rounded, stepped by stepLength rounded to whole samples.
struct EvolutiveTimeOpt {
    std::vector<double> centres;                    // window centres, position units
    std::size_t windowSamples = 0, stepSamples = 0; // the windows, in samples
    std::vector<double> rates;                      // the scored rates, cm/kyr
    std::vector<RateScore> cells;                   // window-major: cells[w * rates.size() + r]
    // Per window, as TimeOptScan::likelihood (empty for a window that lies on a line).
    std::vector<std::vector<RateLikelihood>> likelihoods;
    std::optional<Problem> problem;
    bool cancelled = false;
};

// positions evenly spaced and increasing, one per value.
EvolutiveTimeOpt evolutiveTimeOpt(const std::vector<double>& positions,
                                  const std::vector<double>& values,
                                  const TimeOptSettings& settings, double windowLength,
                                  double stepLength, const Execution& execution = {});

// Each window's likelihood (EvolutiveTimeOpt::likelihoods) refined between the scored rates
// from the log-likelihoods of its cells, values and spacing those of evolutiveTimeOpt, which
// ends with it; the windows shared among the workers. False when cancelled.
bool refineLikelihoods(const std::vector<double>& values, double spacing, const TimeOptSettings& s,
                       EvolutiveTimeOpt& result, const Execution& e = {});

// Every window tested as the whole record is (significance): `simulations` AR(1) surrogates
// with the window's own lag-1 autocorrelation, surrogate i of window w drawn from a generator
// seeded by (seed, w, i) alone, so that no p-value depends on the number of workers. `e` is the
// evolutive test of the same positions, values and settings.
struct WindowSignificance {
    std::vector<double> pValues; // one per window
    std::optional<Problem> problem;
    bool cancelled = false;
};
WindowSignificance evolutiveSignificance(const std::vector<double>& positions,
                                         const std::vector<double>& values,
                                         const TimeOptSettings& settings, const EvolutiveTimeOpt& e,
                                         int simulations, std::uint64_t seed,
                                         const Execution& execution = {});

// Per window, the scored rate of largest r2_opt.
struct TrackPoint {
    double centre = 0, rate = 0, r2Opt = 0;
};
std::vector<TrackPoint> optimumTrack(const EvolutiveTimeOpt& e);

// Per window, the rate's interval for probability P (rateInterval of its likelihood).
std::vector<RateInterval> evolutiveIntervals(const EvolutiveTimeOpt& e, double probability);

} // namespace astro
