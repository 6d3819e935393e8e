// bandpass(), timeopt() and etimeopt(): the band-passed series, the astronomical test over
// trial sedimentation rates and its evolutive form.
#include "rpackage/Interface.h"

#include "core/astro/AstroFiles.h"
#include "core/astro/TestReading.h"
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

// A whole number within its catalogue entry's range.
int checkedWhole(const Arguments& a, const char* name, analysis::ParameterId id) {
    const int v = a.whole(name);
    if (const auto problem = analysis::checkValue(analysis::parameter(id), v, name))
        refuse(name, problem->text);
    return v;
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
    s.precessionBand = band(a, "precession_band");
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
        s.targets.precession.clear();
        for (std::size_t i = 0; i < periods.size(); ++i) {
            const std::string where = "row " + std::to_string(i + 1) + ": ";
            if (!(periods[i] > 0) || !std::isfinite(periods[i]))
                refuse("targets", where + "the period " + text::exactNumber(periods[i]) +
                                      " must be a number above 0 (kyr)");
            if (kinds[i] != "e" && kinds[i] != "p")
                refuse("targets", where +
                                      "the kind must be e (eccentricity) or p (precession), "
                                      "not '" +
                                      kinds[i] + "'");
            (kinds[i] == "e" ? s.targets.eccentricity : s.targets.precession).push_back(periods[i]);
        }
        if (s.targets.eccentricity.empty() || s.targets.precession.empty())
            refuse("targets", "both kinds are needed, e (eccentricity) and p (precession)");
        d.targetsSource = a.text("targets_name");
    }
    return d;
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
        return Rcpp::List::create(
            Rcpp::Named("scores") = rpackage::tables(astro::timeOptText(d, scan, tested)),
            Rcpp::Named("optimum") = best.rate, Rcpp::Named("r2_opt_optimum") = best.r2Opt,
            Rcpp::Named("p_value") = tested ? Rcpp::wrap(significance.pValue) : R_NilValue,
            Rcpp::Named("simulations") = sur.sims, Rcpp::Named("cautions") = reading.cautions,
            Rcpp::Named("candidates") = candidates);
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
        const astro::FlaggedTrack track = astro::flagTrack(e, sig.pValues, fdr);
        return Rcpp::List::create(
            Rcpp::Named("scores") =
                rpackage::tables(astro::evolutiveText(d, windowLength, stepLength, e)),
            Rcpp::Named("track") = rpackage::tables(
                astro::trackText(d, windowLength, stepLength, track, sur.sims, fdr)),
            Rcpp::Named("centres") = e.centres, Rcpp::Named("rates") = e.rates);
    });
}
