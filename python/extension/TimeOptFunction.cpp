// timeopt(): the astronomical test of a series over trial sedimentation rates, with its
// significance against AR(1) surrogates.
#include "python/extension/AnalysisRuns.h"
#include "python/extension/AstroArguments.h"
#include "python/extension/Bindings.h"
#include "python/extension/SeriesArguments.h"

#include "core/astro/TestReading.h"

#include <pybind11/numpy.h>

#include <string>
#include <vector>

namespace py = pybind11;

namespace pymodule {

namespace {

py::dict timeopt(const py::object& positions, const py::object& values,
                 const std::string& positionsIn, double sedmin, double sedmax, int numsed,
                 bool linearGrid, const py::object& precessionBand, const py::object& targets,
                 const py::object& ageMa, int sims, const py::object& seed, int workers,
                 double interval, const py::object& interpolate, bool log,
                 const std::string& detrend, bool standardise) {
    checkWorkers(workers);
    checkSimulations(sims);
    checkEntry(analysis::ParameterId::IntervalProbability, interval, "interval");
    const std::uint64_t seedValue = seedArgument(seed);
    const TestSettings test = timeOptSettings(positionsIn, sedmin, sedmax, numsed, linearGrid,
                                              precessionBand, targets, ageMa);
    const astro::TimeOptSettings& settings = test.settings;
    analysis::RunRequest request;
    request.seriesOnly = true;
    const analysis::PreparedRun run =
        prepareArrays(positions, values, request, interpolate, log, detrend, standardise);
    const TimeOptRun t = timeOptRun(run, settings, sims, seedValue, workers);

    const std::vector<astro::RateScore>& scores = t.scan.scores;
    const auto column = [&](double astro::RateScore::*field) {
        py::array_t<double> a(static_cast<py::ssize_t>(scores.size()));
        for (std::size_t i = 0; i < scores.size(); ++i)
            a.mutable_at(i) = scores[i].*field;
        return a;
    };
    py::dict d;
    d["rates"] = column(&astro::RateScore::rate);
    d["r2_envelope"] = column(&astro::RateScore::r2Envelope);
    d["r2_power"] = column(&astro::RateScore::r2Power);
    d["r2_opt"] = column(&astro::RateScore::r2Opt);
    d["optimum"] = scores[t.scan.best].rate;
    d["r2_opt_optimum"] = scores[t.scan.best].r2Opt;
    d["p_value"] = sims > 0 ? py::object(py::float_(t.significance.pValue)) : py::none();
    d["simulations"] = sims;
    // What the optimum means: cautions in words and the rates that score nearly as well.
    const astro::TestReading reading =
        astro::readTest(t.scan, sims > 0 ? &t.significance : nullptr);
    py::list cautions;
    for (const std::string& c : reading.cautions)
        cautions.append(c);
    d["cautions"] = cautions;
    py::array_t<double> candidates(static_cast<py::ssize_t>(reading.candidates.size()));
    for (std::size_t i = 0; i < reading.candidates.size(); ++i)
        candidates.mutable_at(i) = reading.candidates[i].rate;
    d["candidates"] = candidates;
    addTargets(d, test);
    // The rate's interval: the mode holding the optimum, and every mode.
    const astro::RateInterval rates = astro::rateInterval(t.scan.likelihood, interval);
    const astro::RateMode* held = rates.holding(scores[t.scan.best].rate);
    d["rate_low"] = held ? py::object(py::float_(held->low)) : py::none();
    d["rate_high"] = held ? py::object(py::float_(held->high)) : py::none();
    d["mode_share"] = held ? py::object(py::float_(held->share)) : py::none();
    d["modes"] = modeRows(rates);
    return d;
}

const char* timeoptDoc = R"(The astronomical test (TimeOpt, Meyers 2015) of a series, as
``tonalith-cli timeopt`` makes it.

For each trial sedimentation rate s (cm/kyr) the positions become times t = 100 z / s (kyr,
z in metres) and the linearly detrended, standardised series is scored: r2_power, the share of
its variance fitted by cosines and sines at all target periods; r2_envelope, the share of the
variance of the precession band's amplitude envelope fitted at the eccentricity periods; and
r2_opt = r2_envelope x r2_power. r2_envelope leaves out the record's edges, for the record and
its surrogates alike: the samples where a unit sinusoid at the band's centre, filtered alike,
has an envelope below 0.9 (the `edge` of `bandpass`); it is 0 where too few samples are left.
Only rates that put the whole precession band below the Nyquist frequency are scored. With `sims` > 0, AR(1) surrogates with the record's lag-1
autocorrelation, each scored by its largest r2_opt, give the p-value of the record's largest.

Parameters
----------
positions, values : array_like
    As for `analyze`; unevenly spaced positions are refused (ValueError) unless `interpolate`
    resamples them.
positions_in : {'m', 'cm', 'mm'}
    The positions' unit.
sedmin, sedmax : float
    The lowest and highest trial rate, cm/kyr.
numsed : int
    The number of trial rates.
linear_grid : bool
    Space the rates evenly rather than evenly in log(rate).
precession_band : tuple of float
    (low, high) of the precession band, cycles per kyr.
targets : None, str, os.PathLike or sequence of (float, str)
    The target periods (kyr): None for the default eccentricity, obliquity and precession
    periods; a tab-separated file with columns period and kind; or pairs (period, kind), kind
    "e" (eccentricity), "o" (obliquity) or "p" (precession), e and p present. They replace
    every default: without "o" there are no obliquity periods. The test fits e and p only.
age_ma : float or None
    The record's age in Ma, 0 to 620: the precession and obliquity periods become that age's,
    from the precession constant k of the Earth-Moon system's tidal evolution (after Waltham
    2015; the Moon's distance from a constant-lag tidal torque set by the Elatina rhythmites
    at 620 Ma, Williams 2000) and the La2004 frequencies g_i and s_i: 1 / (k + g_i) and
    1 / (k + s_i). The eccentricity periods stay. Not with `targets`.
sims : int
    The number of AR(1) surrogates, 0 for no significance.
seed : int
    The surrogates' seed (0 .. 2147483647, as the tool takes it); the p-value does not depend on `workers`.
workers : int
    Threads, 0 .. 64, 0 for one per core; changes no result.
interval : float
    The probability of the rate's interval, above 0 and below 1.
interpolate, log, detrend, standardise
    As for `analyze`.

Returns
-------
dict
    1-D float64 arrays with one entry per scored rate, increasing: rates (cm/kyr),
    r2_envelope, r2_power, r2_opt; optimum (the rate of largest r2_opt), r2_opt_optimum (that
    r2_opt), p_value (None without surrogates) and simulations; cautions, a list of sentences
    saying when the optimum lies at the edge of the rate grid, was not tested or is not
    significant at the 0.05 level (empty: none); candidates, the rates of every local maximum of
    r2_opt above half the largest; targets, a dict of 1-D float64 arrays eccentricity,
    obliquity and precession (the periods used, kyr); age_ma and precession_constant (k,
    arcsec/yr), None without `age_ma`; rate_low and rate_high, the interval of the posterior's
    mode that holds the optimum, and mode_share, that mode's share of the probability (None when
    the likelihood is not known); modes, every mode of the posterior as a structured array with
    the float64 fields low, high (its interval), peak (its rate of highest density) and share.
    The posterior of the rate: a uniform prior and the likelihood of the power fit with AR(1)
    residuals (after Meyers and Malinverno 2018, PNAS 115, 6363), computed between the scored
    rates where it holds its mass; the interval is its highest-density set.

Raises
------
ValueError
    Starting with the argument at fault ("sedmin: ...", "targets: ...", "age_ma: ...",
    "values: ...").
RuntimeError
    When the results hold numbers that are not finite.
KeyboardInterrupt
    On Ctrl+C, at the next rate or surrogate.)";

} // namespace

void bindTimeOpt(py::module_& m) {
    m.def(
        "timeopt", &timeopt, py::arg("positions"), py::arg("values"), py::kw_only(),
        keyword("positions_in", analysis::Command::TimeOpt),
        keyword("sedmin", analysis::Command::TimeOpt),
        keyword("sedmax", analysis::Command::TimeOpt),
        keyword("numsed", analysis::Command::TimeOpt),
        keyword("linear_grid", analysis::Command::TimeOpt),
        keyword("precession_band", analysis::Command::TimeOpt), py::arg("targets") = py::none(),
        py::arg("age_ma") = py::none(), keyword("sims", analysis::Command::TimeOpt),
        keyword("seed", analysis::Command::TimeOpt), keyword("workers", analysis::Command::TimeOpt),
        keyword("interval", analysis::Command::TimeOpt), py::arg("interpolate") = py::none(),
        keyword("log", analysis::Command::TimeOpt), keyword("detrend", analysis::Command::TimeOpt),
        keyword("standardise", analysis::Command::TimeOpt), timeoptDoc);
}

} // namespace pymodule
