// bandpass(), timeopt(), etimeopt() and asm(): the band-passed series, the astronomical test
// over trial sedimentation rates, its evolutive form and the spectral misfit of the lines.
#include "rpackage/Interface.h"

#include "core/astro/AstroFiles.h"
#include "core/astro/CycleIdentity.h"
#include "core/astro/SpectralMisfit.h"
#include "core/astro/TargetsAtAge.h"
#include "core/astro/TestReading.h"
#include "core/astro/TrackFlags.h"
#include "core/series/SeriesFile.h"
#include "core/text/NumberText.h"
#include "core/units/RecordUnits.h"

#include <cmath>

using rpackage::Arguments;
using rpackage::refuse;

namespace {

[[noreturn]] void refuseProblem(const astro::Problem& problem) {
    refuse(problem.parameter ? analysis::parameter(*problem.parameter).keyword : "x", problem.text);
}

void refuseUnfinite(bool finite) {
    if (!finite)
        throw std::runtime_error("the results hold numbers that are not finite");
}

// The series prepared as every astronomical command prepares it: evenly spaced.
analysis::PreparedRun evenSeries(const Rcpp::List& series, const Arguments& a) {
    analysis::RunRequest request;
    request.seriesOnly = true;
    request.refuseUneven = true;
    return rpackage::prepareSeries(series, request, a);
}

astro::Band band(const Arguments& a, const char* name) {
    const std::vector<double> limits = a.reals(name);
    if (limits.size() != 2)
        refuse(name, "give two numbers, c(low, high)");
    return {limits[0], limits[1]};
}

using rpackage::checkedReal;
using rpackage::checkedWhole;

// The record's age (Ma) when age_ma is given: its precession and obliquity periods replace the
// default targets, which a targets argument would replace too.
std::optional<double> ageArgument(const Arguments& a) {
    if (!a.given("age_ma"))
        return std::nullopt;
    if (a.given("targets_file") || a.given("target_periods"))
        refuse("age_ma", "give age_ma or targets, not both: the age sets the precession and "
                         "obliquity periods that targets would replace");
    const double age = a.real("age_ma");
    if (const auto problem = astro::checkAge(age))
        refuseProblem(*problem);
    return age;
}

// The test's settings and what its '#' block names: targets NULL (the default periods), a file,
// or periods with their kinds ("e" or "p") from a table.
astro::TestDescription testSettings(const analysis::PreparedRun& run, const Arguments& a) {
    astro::TestDescription d;
    d.record = run.provenance;
    d.positionUnit = a.text("positions_in");
    const auto metres = units::metresPer(d.positionUnit);
    if (!metres)
        refuse("positions_in", "'" + d.positionUnit + "' is not a unit; give m, cm or mm");
    astro::TimeOptSettings& s = d.settings;
    s.metresPerUnit = *metres;
    s.grid = {a.real("sedmin"), a.real("sedmax"), a.whole("numsed"), a.flag("linear_grid")};
    if (a.given("precession_band")) // the misfit takes no band
        s.precessionBand = band(a, "precession_band");
    if (a.given("interval"))
        d.interval = checkedReal(a, "interval", analysis::ParameterId::IntervalProbability);
    if (a.given("targets_file")) {
        const std::string path = a.text("targets_file");
        std::string why;
        const auto text = series::readText(path, &why);
        if (!text)
            refuse("targets", "cannot read " + path + ": " + why);
        const astro::TargetsRead read = astro::readTargets(*text);
        if (read.problem)
            refuse("targets", path + ": " + read.problem->text);
        s.targets = read.targets;
        d.targetsSource = path;
    } else if (a.given("target_periods")) {
        const std::vector<double> periods = a.reals("target_periods");
        const auto kinds = Rcpp::as<std::vector<std::string>>(a.value("target_kinds"));
        s.targets.eccentricity.clear();
        s.targets.obliquity.clear();
        s.targets.precession.clear();
        for (std::size_t i = 0; i < periods.size(); ++i) {
            const std::string where = "row " + std::to_string(i + 1) + ": ";
            if (!(periods[i] > 0) || !std::isfinite(periods[i]))
                refuse("targets", where + "the period " + text::exactNumber(periods[i]) +
                                      " must be a number above 0 (kyr)");
            if (kinds[i] != "e" && kinds[i] != "o" && kinds[i] != "p")
                refuse("targets", where +
                                      "the kind must be e (eccentricity), o (obliquity) or p "
                                      "(precession), not '" +
                                      kinds[i] + "'");
            (kinds[i] == "e"   ? s.targets.eccentricity
             : kinds[i] == "o" ? s.targets.obliquity
                               : s.targets.precession)
                .push_back(periods[i]);
        }
        if (s.targets.eccentricity.empty() || s.targets.precession.empty())
            refuse("targets", "both kinds are needed, e (eccentricity) and p (precession)");
        d.targetsSource = a.text("targets_name");
    }
    if ((d.ageMa = ageArgument(a)))
        s.targets = astro::targetsAtAge(*d.ageMa);
    return d;
}

// The periods tested against (kyr) and, with age_ma, the age and its precession constant
// (arcsec/yr), as the results name them.
void addTargets(Rcpp::List& result, const astro::TestDescription& d) {
    const astro::Targets& t = d.settings.targets;
    result["targets"] = Rcpp::List::create(Rcpp::Named("eccentricity") = t.eccentricity,
                                           Rcpp::Named("obliquity") = t.obliquity,
                                           Rcpp::Named("precession") = t.precession);
    result["age_ma"] = d.ageMa ? Rcpp::wrap(*d.ageMa) : R_NilValue;
    result["precession_constant"] =
        d.ageMa ? Rcpp::wrap(astro::precessionConstantAt(*d.ageMa)) : R_NilValue;
}

// The modes of a rate's posterior, one row each, increasing.
Rcpp::DataFrame modeRows(const astro::RateInterval& interval) {
    std::vector<double> low, high, peak, share;
    for (const astro::RateMode& m : interval.modes) {
        low.push_back(m.low);
        high.push_back(m.high);
        peak.push_back(m.peak);
        share.push_back(m.share);
    }
    return Rcpp::DataFrame::create(Rcpp::Named("low") = low, Rcpp::Named("high") = high,
                                   Rcpp::Named("peak") = peak, Rcpp::Named("share") = share);
}

// The harmonic F-test's lines in windows of `window` samples stepped by `step` (the record:
// its length and 1), from the arguments tbw, tapers, nfft (NULL: the smallest power of two at
// least twice the window) and level, as asm and etimeopt take them.
service::WindowLines lineRun(const analysis::PreparedRun& run, const Arguments& a, int window,
                             int step, analysis::ParameterId levelEntry) {
    analysis::RunParameters q;
    q.tbw = checkedReal(a, "tbw", analysis::ParameterId::MisfitTbw);
    q.tapers = checkedWhole(a, "tapers", analysis::ParameterId::MisfitTapers);
    q.window = window;
    q.step = step;
    q.nfft = a.given("nfft") ? checkedWhole(a, "nfft", analysis::ParameterId::WholeRecordNfft)
                             : analysis::wholeRecordTransformLength(window);
    q.fmax = 0.5;
    const double level = checkedReal(a, "level", levelEntry);
    using analysis::ParameterId;
    if (const auto problem = analysis::checkParameters(q, static_cast<int>(run.series.yval.size()),
                                                       run.provenance.deltat)) {
        const ParameterId id = problem->parameter.value_or(ParameterId::Window);
        refuse(id == ParameterId::Nfft     ? "nfft"
               : id == ParameterId::Tbw    ? "tbw"
               : id == ParameterId::Tapers ? "tapers"
                                           : "x",
               "the lines' F-test: " + problem->text);
    }
    const service::Execution execution = rpackage::quietExecution(0, rpackage::recordsFolder(a));
    service::WindowLines lines;
    rpackage::runInterruptibly([&](service::RunControl& control) {
        lines =
            service::analyseLines(run.series, run.provenance, q, {level, 0}, control, execution);
    });
    if (!lines.outcome.finished())
        refuse("x", "the lines' F-test: " + lines.outcome.problem);
    return lines;
}

// Per window, the identified candidate and the alternative (NA where a window has none): its
// rate, r2_opt, misfit and corrected null probability.
Rcpp::DataFrame identityRows(const astro::FlaggedTrack& flagged) {
    const std::size_t windows = flagged.identities.size();
    Rcpp::NumericVector centre(windows);
    std::vector<Rcpp::NumericVector> columns(8, Rcpp::NumericVector(0));
    for (auto& c : columns)
        c = Rcpp::NumericVector(windows, NA_REAL);
    const auto put = [&](std::size_t first, std::size_t w, const astro::CycleCandidate& c) {
        columns[first][w] = c.score.rate;
        columns[first + 1][w] = c.score.r2Opt;
        columns[first + 2][w] = c.misfit ? c.misfit->misfit : NA_REAL;
        columns[first + 3][w] = c.nullProbability;
    };
    for (std::size_t w = 0; w < windows; ++w) {
        const astro::CycleIdentity& id = flagged.identities[w];
        centre[w] = flagged.points[w].centre;
        if (!id.candidates.empty())
            put(0, w, id.candidates[id.identified]);
        if (id.alternative)
            put(4, w, id.candidates[*id.alternative]);
    }
    return Rcpp::DataFrame::create(
        Rcpp::Named("x_centre") = centre, Rcpp::Named("rate") = columns[0],
        Rcpp::Named("r2_opt") = columns[1], Rcpp::Named("misfit") = columns[2],
        Rcpp::Named("null_probability") = columns[3], Rcpp::Named("alternative_rate") = columns[4],
        Rcpp::Named("alternative_r2_opt") = columns[5],
        Rcpp::Named("alternative_misfit") = columns[6],
        Rcpp::Named("alternative_null_probability") = columns[7]);
}

struct Surrogates {
    int sims;
    std::uint64_t seed;
    int workers;
};

Surrogates surrogates(const Arguments& a) {
    const int sims = a.whole("sims");
    if (sims < 0)
        refuse("sims", "give 0 (no significance) or more, not " + std::to_string(sims));
    checkedWhole(a, "sims", analysis::ParameterId::Simulations);
    const int seed = checkedWhole(a, "seed", analysis::ParameterId::Seed);
    const int workers = a.whole("workers");
    rpackage::checkWorkers(workers);
    return {sims, static_cast<std::uint64_t>(seed), workers};
}

} // namespace

// [[Rcpp::export(name = ".bandpass")]]
SEXP bandpassSeries(Rcpp::List series, Rcpp::List args) {
    return rpackage::guarded([&]() -> SEXP {
        const Arguments a(args);
        const astro::Band passband = band(a, "passband");
        const analysis::PreparedRun run = evenSeries(series, a);
        const astro::BandPassed f =
            astro::bandPass(run.series.yval, run.provenance.deltat, passband);
        if (f.problem)
            refuseProblem(*f.problem);
        refuseUnfinite(astro::allFinite(f.filtered) && astro::allFinite(f.envelope));
        return rpackage::tables(
            astro::filterText(run.provenance, passband, run.series.xpos, run.series.yval, f));
    });
}

// [[Rcpp::export(name = ".timeopt")]]
SEXP timeoptSeries(Rcpp::List series, Rcpp::List args) {
    return rpackage::guarded([&]() -> SEXP {
        const Arguments a(args);
        const Surrogates sur = surrogates(a);
        const analysis::PreparedRun run = evenSeries(series, a);
        const astro::TestDescription d = testSettings(run, a);
        astro::TimeOptScan scan;
        astro::Significance significance;
        rpackage::runInterruptibly([&](service::RunControl& control) {
            scan = service::timeOpt(run.series, d.record.deltat, d.settings, control, sur.workers);
            if (!scan.problem && sur.sims > 0)
                significance =
                    service::timeOptSignificance(run.series, d.record.deltat, d.settings, scan,
                                                 sur.sims, sur.seed, control, sur.workers);
        });
        if (scan.problem)
            refuseProblem(*scan.problem);
        if (sur.sims > 0 && significance.problem)
            refuseProblem(*significance.problem);
        refuseUnfinite(astro::allFinite(scan.scores));
        const astro::Significance* tested = sur.sims > 0 ? &significance : nullptr;
        const astro::TestReading reading = astro::readTest(scan, tested);
        std::vector<double> candidates;
        for (const astro::RateScore& c : reading.candidates)
            candidates.push_back(c.rate);
        const astro::RateScore& best = scan.scores[scan.best];
        Rcpp::List result = Rcpp::List::create(
            Rcpp::Named("scores") = rpackage::tables(astro::timeOptText(d, scan, tested)),
            Rcpp::Named("optimum") = best.rate, Rcpp::Named("r2_opt_optimum") = best.r2Opt,
            Rcpp::Named("p_value") = tested ? Rcpp::wrap(significance.pValue) : R_NilValue,
            Rcpp::Named("simulations") = sur.sims, Rcpp::Named("cautions") = reading.cautions,
            Rcpp::Named("candidates") = candidates);
        // The rate's interval: the mode holding the optimum, and every mode.
        const astro::RateInterval rates = astro::rateInterval(scan.likelihood, d.interval);
        const astro::RateMode* held = rates.holding(best.rate);
        result["rate_low"] = held ? Rcpp::wrap(held->low) : R_NilValue;
        result["rate_high"] = held ? Rcpp::wrap(held->high) : R_NilValue;
        result["mode_share"] = held ? Rcpp::wrap(held->share) : R_NilValue;
        result["modes"] = modeRows(rates);
        addTargets(result, d);
        return result;
    });
}

// [[Rcpp::export(name = ".etimeopt")]]
SEXP etimeoptSeries(Rcpp::List series, Rcpp::List args) {
    return rpackage::guarded([&]() -> SEXP {
        const Arguments a(args);
        const Surrogates sur = surrogates(a);
        const double fdr = a.real("fdr");
        if (const auto problem = analysis::checkValue(
                analysis::parameter(analysis::ParameterId::WindowFalseDiscoveryRate), fdr, "fdr"))
            refuse("fdr", problem->text);
        const int asmSims =
            checkedWhole(a, "asm_sims", analysis::ParameterId::WindowMisfitSimulations);
        // The lines' test is checked before the long run it follows.
        checkedReal(a, "level", analysis::ParameterId::WindowLineLevel);
        checkedReal(a, "tbw", analysis::ParameterId::MisfitTbw);
        checkedWhole(a, "tapers", analysis::ParameterId::MisfitTapers);
        const double windowLength = a.real("window_length");
        const double stepLength = a.real("step_length");
        const analysis::PreparedRun run = evenSeries(series, a);
        const astro::TestDescription d = testSettings(run, a);
        astro::EvolutiveTimeOpt e;
        astro::WindowSignificance sig;
        rpackage::runInterruptibly([&](service::RunControl& control) {
            e = service::evolutiveTimeOpt(run.series, d.settings, windowLength, stepLength, control,
                                          sur.workers);
            if (!e.problem && sur.sims > 0)
                sig = service::evolutiveSignificance(run.series, d.settings, e, sur.sims, sur.seed,
                                                     control, sur.workers);
        });
        if (e.problem)
            refuseProblem(*e.problem);
        if (sur.sims > 0 && sig.problem)
            refuseProblem(*sig.problem);
        refuseUnfinite(astro::allFinite(e.cells) && astro::allFinite(sig.pValues));
        // Which cycle each window's optimum is: its F-test lines against the targets.
        const service::WindowLines lines =
            lineRun(run, a, static_cast<int>(e.windowSamples), static_cast<int>(e.stepSamples),
                    analysis::ParameterId::WindowLineLevel);
        astro::MisfitSettings misfit;
        misfit.metresPerUnit = d.settings.metresPerUnit;
        misfit.targets = d.settings.targets;
        misfit.simulations = asmSims;
        misfit.seed = sur.seed;
        const astro::FlaggedTrack track = astro::flagTrack(
            e, sig.pValues, fdr, astro::evolutiveIdentity(e, lines.windows, misfit), d.interval);
        Rcpp::List modes;
        for (const astro::RateInterval& i : track.intervals)
            modes.push_back(modeRows(i));
        Rcpp::List result = Rcpp::List::create(
            Rcpp::Named("scores") =
                rpackage::tables(astro::evolutiveText(d, windowLength, stepLength, e)),
            Rcpp::Named("track") = rpackage::tables(
                astro::trackText(d, windowLength, stepLength, track, sur.sims, fdr)),
            Rcpp::Named("centres") = e.centres, Rcpp::Named("rates") = e.rates,
            Rcpp::Named("identities") = identityRows(track), Rcpp::Named("modes") = modes,
            Rcpp::Named("p_values") = sur.sims > 0 ? Rcpp::wrap(sig.pValues) : R_NilValue);
        addTargets(result, d);
        return result;
    });
}

// [[Rcpp::export(name = ".asm")]]
SEXP misfitSeries(Rcpp::List series, Rcpp::List args) {
    return rpackage::guarded([&]() -> SEXP {
        const Arguments a(args);
        astro::MisfitDescription d;
        d.simulations = checkedWhole(a, "sims", analysis::ParameterId::MisfitSimulations);
        d.seed = static_cast<std::uint64_t>(checkedWhole(a, "seed", analysis::ParameterId::Seed));
        const analysis::PreparedRun run = evenSeries(series, a);
        d.test = testSettings(run, a);
        const int n = static_cast<int>(run.series.yval.size());
        const service::WindowLines lines =
            lineRun(run, a, n, 1, analysis::ParameterId::MisfitLevel);
        d.tbw = a.real("tbw");
        d.tapers = a.whole("tapers");
        d.nfft = a.given("nfft") ? a.whole("nfft") : analysis::wholeRecordTransformLength(n);
        d.level = a.real("level");
        astro::MisfitSettings settings;
        settings.metresPerUnit = d.test.settings.metresPerUnit;
        settings.targets = d.test.settings.targets;
        settings.simulations = d.simulations;
        settings.seed = d.seed;
        const astro::LineSet& record = lines.windows.front();
        const astro::MisfitScan scan =
            astro::spectralMisfit(record, astro::gridRates(d.test.settings.grid), settings);
        if (scan.problem)
            refuseProblem(*scan.problem);
        const astro::MisfitRow& best = scan.rows[scan.best];
        Rcpp::List result = Rcpp::List::create(
            Rcpp::Named("scores") = rpackage::tables(astro::misfitText(d, record, scan)),
            Rcpp::Named("lines") = record.frequencies, Rcpp::Named("best_rate") = best.rate,
            Rcpp::Named("best_misfit") = best.misfit, Rcpp::Named("null_probability") = best.pNull,
            Rcpp::Named("corrected_null_probability") = scan.bestCorrected);
        addTargets(result, d.test);
        return result;
    });
}
