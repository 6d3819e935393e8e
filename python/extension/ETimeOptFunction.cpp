// etimeopt(): the astronomical test in moving windows, and the track of its optima.
#include "python/extension/AnalysisRuns.h"

#include "core/astro/TrackFlags.h"
#include "python/extension/AstroArguments.h"
#include "python/extension/Bindings.h"
#include "python/extension/SeriesArguments.h"

#include <pybind11/numpy.h>

#include <cmath>
#include <string>
#include <vector>

namespace py = pybind11;

namespace pymodule {

namespace {

// The track as a structured array with the fields x_centre, sedimentation_rate, r2_opt, flag,
// identified_rate, rate_low, rate_high and mode_share, as tune_sedrate takes it.
py::array trackRows(const astro::FlaggedTrack& flagged) {
    const std::vector<astro::TrackPoint>& track = flagged.points;
    const py::module_ np = py::module_::import("numpy");
    py::list fields;
    for (const char* name : {"x_centre", "sedimentation_rate", "r2_opt"})
        fields.append(py::make_tuple(name, "f8"));
    fields.append(py::make_tuple("flag", "U5"));
    fields.append(py::make_tuple("identified_rate", "f8"));
    for (const char* name : {"rate_low", "rate_high", "mode_share"})
        fields.append(py::make_tuple(name, "f8"));
    py::array out = np.attr("zeros")(track.size(), np.attr("dtype")(fields));
    const auto column = [&](double astro::TrackPoint::*field) {
        py::array_t<double> a(static_cast<py::ssize_t>(track.size()));
        for (std::size_t i = 0; i < track.size(); ++i)
            a.mutable_at(i) = track[i].*field;
        return a;
    };
    out["x_centre"] = column(&astro::TrackPoint::centre);
    out["sedimentation_rate"] = column(&astro::TrackPoint::rate);
    out["r2_opt"] = column(&astro::TrackPoint::r2Opt);
    py::list flags;
    for (const tuning::RateFlag f : flagged.flags)
        flags.append(tuning::rateFlagName(f));
    out["flag"] = np.attr("array")(flags);
    const auto interval = [&](double astro::RateMode::*field) {
        py::array_t<double> a(static_cast<py::ssize_t>(track.size()));
        for (std::size_t i = 0; i < track.size(); ++i) {
            const astro::RateMode* m = flagged.mode(i);
            a.mutable_at(i) = m ? m->*field : NAN;
        }
        return a;
    };
    out["rate_low"] = interval(&astro::RateMode::low);
    out["rate_high"] = interval(&astro::RateMode::high);
    out["mode_share"] = interval(&astro::RateMode::share);
    py::array_t<double> identified(static_cast<py::ssize_t>(track.size()));
    for (std::size_t i = 0; i < track.size(); ++i)
        identified.mutable_at(i) = flagged.identifiedRate(i);
    out["identified_rate"] = identified;
    return out;
}

py::object candidate(const astro::CycleCandidate& c) {
    py::dict d;
    d["rate"] = c.score.rate;
    d["r2_opt"] = c.score.r2Opt;
    d["misfit"] = c.misfit ? py::object(py::float_(c.misfit->misfit)) : py::object(py::none());
    d["null_probability"] = c.nullProbability;
    return d;
}

// Per window: the identified candidate and the alternative (None without one).
py::list identities(const astro::FlaggedTrack& flagged) {
    py::list out;
    for (std::size_t w = 0; w < flagged.identities.size(); ++w) {
        const astro::CycleIdentity& id = flagged.identities[w];
        py::dict d;
        d["x_centre"] = flagged.points[w].centre;
        d["identified"] = id.candidates.empty() ? py::object(py::none())
                                                : candidate(id.candidates[id.identified]);
        d["alternative"] =
            id.alternative ? candidate(id.candidates[*id.alternative]) : py::object(py::none());
        out.append(d);
    }
    return out;
}

py::dict etimeopt(const py::object& positions, const py::object& values, double windowLength,
                  double stepLength, const std::string& positionsIn, double sedmin, double sedmax,
                  int numsed, bool linearGrid, const py::object& precessionBand,
                  const py::object& targets, const py::object& ageMa, int sims,
                  const py::object& seed, double fdr, double tbw, int tapers, double level,
                  int asmSims, int workers, double interval, const py::object& interpolate,
                  bool log, const std::string& detrend, bool standardise) {
    checkEntry(analysis::ParameterId::WindowLineLevel, level, "level");
    checkEntry(analysis::ParameterId::WindowMisfitSimulations, asmSims, "asm_sims");
    checkEntry(analysis::ParameterId::IntervalProbability, interval, "interval");
    checkWorkers(workers);
    checkSimulations(sims);
    const std::uint64_t seedValue = seedArgument(seed);
    const analysis::ParameterEntry& rate =
        analysis::parameter(analysis::ParameterId::WindowFalseDiscoveryRate);
    if (const auto problem = analysis::checkValue(rate, fdr, "fdr"))
        throw py::value_error(problem->message());
    const TestSettings test = timeOptSettings(positionsIn, sedmin, sedmax, numsed, linearGrid,
                                              precessionBand, targets, ageMa);
    const astro::TimeOptSettings& settings = test.settings;
    analysis::RunRequest request;
    request.seriesOnly = true;
    const analysis::PreparedRun run =
        prepareArrays(positions, values, request, interpolate, log, detrend, standardise);
    const astro::EvolutiveTimeOpt e =
        evolutiveRun(run, settings, windowLength, stepLength, workers);

    const auto windows = static_cast<py::ssize_t>(e.centres.size());
    const auto rates = static_cast<py::ssize_t>(e.rates.size());
    const auto map = [&](double astro::RateScore::*field) {
        py::array_t<double> a({windows, rates});
        double* out = a.mutable_data();
        for (const astro::RateScore& cell : e.cells)
            *out++ = cell.*field;
        return a;
    };
    const auto array = [](const std::vector<double>& v) {
        return py::array_t<double>(static_cast<py::ssize_t>(v.size()), v.data());
    };
    py::dict d;
    d["centres"] = array(e.centres);
    d["rates"] = array(e.rates);
    d["r2_envelope"] = map(&astro::RateScore::r2Envelope);
    d["r2_power"] = map(&astro::RateScore::r2Power);
    d["r2_opt"] = map(&astro::RateScore::r2Opt);
    const std::vector<double> pValues =
        sims > 0 ? windowSignificanceRun(run, settings, e, sims, seedValue, workers)
                 : std::vector<double>{};
    const service::WindowLines lines =
        linesRun(run,
                 lineTest(tbw, tapers, py::none(), static_cast<int>(e.windowSamples),
                          static_cast<int>(e.stepSamples)),
                 results::LineRule{level, 0});
    astro::MisfitSettings misfit;
    misfit.metresPerUnit = settings.metresPerUnit;
    misfit.targets = settings.targets;
    misfit.simulations = asmSims;
    misfit.seed = seedValue;
    const astro::FlaggedTrack flagged = astro::flagTrack(
        e, pValues, fdr, astro::evolutiveIdentity(e, lines.windows, misfit), interval);
    d["track"] = trackRows(flagged);
    d["identities"] = identities(flagged);
    py::list modes;
    for (const astro::RateInterval& i : flagged.intervals)
        modes.append(modeRows(i));
    d["modes"] = modes;
    d["p_values"] = sims > 0 ? py::object(array(pValues)) : py::none();
    addTargets(d, test);
    return d;
}

const char* etimeoptDoc = R"(The astronomical test in moving windows (Meyers 2019), as
``tonalith-cli etimeopt`` makes it.

`timeopt`'s scores in windows of `window_length` position units stepped by `step_length`,
over the same trial rates (r2_envelope leaving out each window's edges), and per window the
rate of largest r2_opt.

Parameters
----------
positions, values : array_like
    As for `timeopt`.
window_length : float
    The window's length in position units.
step_length : float
    The step between windows in position units.
positions_in, sedmin, sedmax, numsed, linear_grid, precession_band, targets, age_ma
    As for `timeopt`.
sims : int
    AR(1) surrogates per window with the window's lag-1 autocorrelation, 0 for none.
seed : int
    The surrogates' seed; surrogate i of window w depends on (seed, w, i) alone.
fdr : float
    The false discovery rate over the windows' p-values (Benjamini-Hochberg).
tbw, tapers, level : float, int, float
    The harmonic F-test of each window's lines (transform length the smallest power of two at
    least twice the window) and the probability a line must reach.
asm_sims : int
    Random line sets for each window's spectral misfit (as `asm`).
workers : int
    Threads, 0 .. 64, 0 for one per core; changes no result.
interval : float
    The probability of each window's rate interval, above 0 and below 1.
interpolate, log, detrend, standardise
    As for `analyze`.

Returns
-------
dict
    centres (1-D float64, the window centres), rates (1-D float64, the scored rates in
    cm/kyr), r2_envelope, r2_power and r2_opt (2-D float64, windows x rates), track (a
    structured array with the float64 fields x_centre, sedimentation_rate and r2_opt, the
    text field flag and the float64 fields identified_rate, rate_low, rate_high and
    mode_share, one row per window, as `tune_sedrate` takes it), p_values (each window's
    p-value, 1-D float64; None without `sims`), identities (per window a dict: x_centre,
    identified and alternative, each a dict of rate, r2_opt, misfit and null_probability, or
    None) and modes (per window, every mode of its rate's posterior as `timeopt` gives them).
    The identified rate is, of the local maxima of r2_opt above half the largest, the one of the
    largest r2_opt among those whose F-test lines fit the astronomical targets (`asm`'s misfit)
    with a corrected null probability within a factor of two of the smallest; the alternative is a candidate about twice or half as fast. rate_low and
    rate_high bound the mode that holds the window's identified rate, mode_share is its share
    of the probability (NaN for a window that lies on a line); the posterior is `timeopt`'s,
    window by window. The flag is the first that applies of
    edge (the optimum on the grid's edge), alias (another rate 1.7 to 2.2 times or the inverse
    scores at least half as well, or a significant neighbour sits at such a ratio), jump (more
    than 25 % or 3 grid steps from a neighbour's rate), weak (not significant after `fdr`, or
    no `sims`) and ok. targets, age_ma and precession_constant as for `timeopt`.

Raises
------
ValueError
    Starting with the argument at fault ("window_length: ...", "sedmin: ...").
RuntimeError
    When the results hold numbers that are not finite.
KeyboardInterrupt
    On Ctrl+C, at the next window.)";

} // namespace

void bindETimeOpt(py::module_& m) {
    m.def("etimeopt", &etimeopt, py::arg("positions"), py::arg("values"), py::kw_only(),
          py::arg("window_length"), py::arg("step_length"),
          keyword("positions_in", analysis::Command::ETimeOpt),
          keyword("sedmin", analysis::Command::ETimeOpt),
          keyword("sedmax", analysis::Command::ETimeOpt),
          keyword("numsed", analysis::Command::ETimeOpt),
          keyword("linear_grid", analysis::Command::ETimeOpt),
          keyword("precession_band", analysis::Command::ETimeOpt), py::arg("targets") = py::none(),
          py::arg("age_ma") = py::none(), keyword("sims", analysis::Command::ETimeOpt),
          keyword("seed", analysis::Command::ETimeOpt), keyword("fdr", analysis::Command::ETimeOpt),
          keyword("tbw", analysis::Command::ETimeOpt),
          keyword("tapers", analysis::Command::ETimeOpt),
          keyword("level", analysis::Command::ETimeOpt),
          keyword("asm_sims", analysis::Command::ETimeOpt),
          keyword("workers", analysis::Command::ETimeOpt),
          keyword("interval", analysis::Command::ETimeOpt), py::arg("interpolate") = py::none(),
          keyword("log", analysis::Command::ETimeOpt),
          keyword("detrend", analysis::Command::ETimeOpt),
          keyword("standardise", analysis::Command::ETimeOpt), etimeoptDoc);
}

} // namespace pymodule
