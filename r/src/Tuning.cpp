// tune() and tune_sedrate(): the age model and tuned series of a traced cycle or of a
// sedimentation-rate track, with the age band of an ensemble drawn from the rows' intervals and
// the ages of anchors.
#include "rpackage/Interface.h"

#include "core/astro/TrackCheck.h"
#include "core/series/SeriesFile.h"
#include "core/service/CycleReadings.h"
#include "core/text/NumberText.h"
#include "core/tuning/AgeBandText.h"
#include "core/tuning/AgeEnsemble.h"
#include "core/tuning/Hiatus.h"
#include "core/tuning/RowIntervals.h"
#include "core/tuning/SedimentationRate.h"
#include "core/tuning/TraceFile.h"
#include "core/units/RecordUnits.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

using analysis::ParameterId;
using rpackage::Arguments;
using rpackage::checkedReal;
using rpackage::checkedWhole;
using rpackage::refuse;

namespace {

// The series as the tool takes it for an age model: any spacing, nothing prepared.
analysis::PreparedRun tuningSeries(const Rcpp::List& series) {
    const Arguments plain(Rcpp::List::create(Rcpp::Named("detrend") = "none",
                                             Rcpp::Named("log") = false,
                                             Rcpp::Named("standardise") = false));
    analysis::RunRequest request;
    request.seriesOnly = true;
    return rpackage::prepareSeries(series, request, plain);
}

double startAge(const Arguments& a) {
    const double age = a.real("start_age");
    if (!std::isfinite(age))
        refuse("start_age", text::exactNumber(age) + " is not a finite number");
    return age;
}

// The resampling step of the tuned series: 0 for NULL (none).
double tuningStep(const Arguments& a) {
    if (!a.given("step"))
        return 0;
    const double s = a.real("step");
    if (!(s > 0) || !std::isfinite(s))
        refuse("step", text::exactNumber(s) + " must be a number above 0");
    return s;
}

// The file-like line numbers of a table's rows, counted from 1 as "line N".
std::vector<int> rowNumbers(std::size_t rows) {
    std::vector<int> lines(rows);
    std::iota(lines.begin(), lines.end(), 1);
    return lines;
}

std::vector<std::string> flagTexts(const Arguments& a, const char* name) {
    return a.given(name) ? Rcpp::as<std::vector<std::string>>(a.value(name))
                         : std::vector<std::string>{};
}

// The interval columns a table has (a named list of them; NA as NaN).
std::map<std::string, std::vector<double>> intervalColumns(const Arguments& a) {
    std::map<std::string, std::vector<double>> out;
    if (!a.given("intervals"))
        return out;
    const Rcpp::List columns(a.value("intervals"));
    const Rcpp::CharacterVector names = columns.names();
    for (R_xlen_t i = 0; i < columns.size(); ++i)
        out[Rcpp::as<std::string>(names[i])] = Rcpp::as<std::vector<double>>(columns[i]);
    return out;
}

// The anchors: positions, ages and standard deviations (0: exact), each finite.
std::vector<tuning::Anchor> anchorList(const Arguments& a) {
    std::vector<tuning::Anchor> out;
    if (!a.given("anchor_positions"))
        return out;
    const std::vector<double> z = a.reals("anchor_positions"), age = a.reals("anchor_ages"),
                              sd = a.reals("anchor_sds");
    for (std::size_t i = 0; i < z.size(); ++i) {
        if (!std::isfinite(z[i]) || !std::isfinite(age[i]) || !std::isfinite(sd[i]) || sd[i] < 0)
            refuse("anchors", "row " + std::to_string(i + 1) +
                                  ": give a finite position and age, and an sd of 0 or more");
        out.push_back({z[i], age[i], sd[i]});
    }
    return out;
}

// The rows an age model integrates, as the tool reads them from its file.
struct Rows {
    const char* argument; // the table's argument, "trace" or "track"
    tuning::RowSpread spread;
    std::string noIntervals; // why the rows have no intervals; empty when they have
    tuning::RowIntegral how;
    std::string quantity; // "frequency" or "rate"
    std::string header;   // the table's '#' block, which may state the rows' window
};

Rcpp::DataFrame hiatusRows(const std::vector<tuning::PossibleHiatus>& hiatuses) {
    std::vector<double> position, first, last;
    std::vector<std::string> signs;
    for (const tuning::PossibleHiatus& h : hiatuses) {
        position.push_back(h.position);
        first.push_back(h.first);
        last.push_back(h.last);
        std::string joined;
        for (const std::string& sign : h.signs)
            joined += (joined.empty() ? "" : "; ") + sign;
        signs.push_back(joined);
    }
    return Rcpp::DataFrame::create(Rcpp::Named("position") = position, Rcpp::Named("first") = first,
                                   Rcpp::Named("last") = last, Rcpp::Named("signs") = signs,
                                   Rcpp::Named("stringsAsFactors") = false);
}

Rcpp::DataFrame missRows(const tuning::AgeEnsemble& e, const std::vector<tuning::Anchor>& anchors) {
    Rcpp::NumericVector position, age, sd, model, miss, inSd;
    for (std::size_t j = 0; j < anchors.size(); ++j) {
        position.push_back(anchors[j].position);
        age.push_back(anchors[j].age);
        sd.push_back(anchors[j].sd);
        model.push_back(e.misses[j].model);
        miss.push_back(e.misses[j].miss);
        inSd.push_back(std::isfinite(e.misses[j].inSd) ? e.misses[j].inSd : NA_REAL);
    }
    return Rcpp::DataFrame::create(Rcpp::Named("position") = position, Rcpp::Named("age") = age,
                                   Rcpp::Named("sd") = sd, Rcpp::Named("model") = model,
                                   Rcpp::Named("miss") = miss, Rcpp::Named("miss_sd") = inSd);
}

bool ensembleFinite(const tuning::AgeEnsemble& e) {
    const auto finite = [](const std::vector<double>& v) {
        return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
    };
    for (const std::vector<double>* v : {&e.band.low, &e.band.median, &e.band.high})
        if (!finite(*v))
            return false;
    for (const std::vector<double>& m : e.members)
        if (!finite(m))
            return false;
    return std::isfinite(e.duration) && std::isfinite(e.durationLow) &&
           std::isfinite(e.durationHigh);
}

// The age model (pinned to the anchors, with its band when an ensemble is asked for) and the
// tuned series, as the tool writes them, with the ensemble's summaries.
Rcpp::List agedRows(const analysis::PreparedRun& run, const Arguments& a, Rows rows,
                    results::HeaderBlock block, tuning::AgeModelTable table) {
    const double step = tuningStep(a);
    tuning::EnsembleSettings settings;
    settings.members = checkedWhole(a, "ensemble", ParameterId::Ensemble);
    settings.seed = static_cast<std::uint64_t>(checkedWhole(a, "seed", ParameterId::EnsembleSeed));
    settings.probability = checkedReal(a, "interval", ParameterId::Interval);
    settings.startAge = startAge(a);
    settings.keepMembers = a.flag("return_ensemble");
    if (settings.keepMembers && settings.members == 0)
        refuse("return_ensemble", "the ensemble is returned with ensemble = N; give it too");
    settings.anchors = anchorList(a);
    if (!settings.anchors.empty() && settings.startAge != 0)
        refuse("start_age", "the anchors give the ages; give start_age or anchors, never both");
    const std::vector<double>& z = run.series.xpos;
    if (const auto problem = tuning::checkAnchors(settings.anchors, z))
        refuse("anchors", *problem);
    const std::optional<double> window =
        a.given("window_length")
            ? std::optional<double>(checkedReal(a, "window_length", ParameterId::RowWindowLength))
            : tuning::rowWindowLength(rows.header);
    if (settings.members > 0) {
        if (!rows.noIntervals.empty())
            refuse(rows.argument, rows.noIntervals + "; or give ensemble = 0");
        if (const auto tooLarge = tuning::ensembleTooLarge(z.size(), settings.members))
            refuse("ensemble", *tooLarge);
        if (!window)
            refuse("window_length", std::string("the '#' block of the ") + rows.argument +
                                        " states no window; give the length, in position "
                                        "units, of the windows its rows were measured in");
        rows.spread.windowLength = *window;
        if (const auto problem = tuning::checkSpread(rows.spread))
            refuse(rows.argument, *problem);
        if (rows.how.kind == tuning::RowIntegral::Kind::Frequency)
            rows.spread = service::withTraceReadings(
                z, run.series.yval, std::move(rows.spread), rows.how.period, rows.how.metresPerUnit,
                rpackage::quietExecution(0, rpackage::recordsFolder(a)));
    } else {
        rows.spread.windowLength = window.value_or(0.0); // for the hiatuses' stretches
    }
    const tuning::AgeEnsemble model = tuning::ageEnsemble(z, rows.spread, rows.how, settings);
    if (model.problem)
        refuse("anchors", *model.problem);
    const tuning::TunedSeries tuned = tuning::tunedSeries(model.central, run.series.yval, step);
    if (!tuning::tuningFinite(model.central, tuned) || !ensembleFinite(model))
        throw std::runtime_error("the age model is not finite for these settings");
    const tuning::EnsembleDescription d = tuning::describedEnsemble(
        rows.spread, rows.how, settings, tuning::possibleHiatuses(rows.spread, rows.quantity));
    tuning::describeEnsemble(block, d, model);
    table.band = &model.band;
    Rcpp::List result = Rcpp::List::create(
        Rcpp::Named("model") = rpackage::tables(tuning::ageModelText(block, model.central, table)),
        Rcpp::Named("tuned") =
            rpackage::tables(tuning::tunedSeriesText(block, tuned, run.provenance.columnName)));
    const bool anchored = !settings.anchors.empty();
    if (settings.members > 0 || anchored) {
        result["duration"] = model.duration;
        if (settings.members > 0) {
            result["duration_low"] = model.durationLow;
            result["duration_high"] = model.durationHigh;
            if (rows.how.kind == tuning::RowIntegral::Kind::Frequency)
                result["cycle_readings"] = rows.spread.readings;
        }
        result["hiatuses"] = hiatusRows(d.hiatuses);
    }
    if (anchored)
        result["anchor_misses"] = missRows(model, settings.anchors);
    if (settings.keepMembers) {
        Rcpp::NumericMatrix members(static_cast<int>(model.members.size()),
                                    static_cast<int>(z.size()));
        for (std::size_t m = 0; m < model.members.size(); ++m)
            for (std::size_t i = 0; i < z.size(); ++i)
                members(static_cast<int>(m), static_cast<int>(i)) = model.members[m][i];
        result["ensemble"] = members;
    }
    return result;
}

// The track a trace is held against: a file, or its positions and rates.
tuning::RateTrack checkedTrack(const Arguments& a) {
    std::string why;
    if (a.given("check_track_file")) {
        const std::string name = a.text("check_track_file");
        const auto text = series::readText(name, &why);
        const auto read = text ? tuning::readRateTrack(*text, &why) : std::nullopt;
        if (!read)
            refuse("check_track", name + ": " + why);
        return read->track;
    }
    const tuning::RateTrack t{a.reals("check_track_positions"), a.reals("check_track_rates")};
    if (const auto problem = tuning::checkRateTrack(t))
        refuse("check_track", *problem);
    return t;
}

} // namespace

// [[Rcpp::export(name = ".tune")]]
SEXP tuneSeries(Rcpp::List series, Rcpp::List args) {
    return rpackage::guarded([&]() -> SEXP {
        const Arguments a(args);
        const analysis::PreparedRun run = tuningSeries(series);
        tuning::ReadTrace t;
        t.trace = {a.reals("trace_positions"), a.reals("trace_frequencies")};
        if (t.trace.position.size() != t.trace.frequency.size())
            refuse("trace", "the columns x_centre and frequency differ in length");
        // period: P, or c(P, SD) with SD one standard deviation of P, drawn for each model of
        // the ensemble.
        const std::vector<double> periods = a.reals("period");
        if (periods.empty() || periods.size() > 2)
            refuse("period", "give the period P, or c(P, SD) with its standard deviation");
        const double period = periods[0];
        if (!(period > 0) || !std::isfinite(period))
            refuse("period", text::exactNumber(period) + " must be a number above 0");
        const double periodSd = periods.size() == 2 ? periods[1] : 0.0;
        if (const auto problem = analysis::checkValue(analysis::parameter(ParameterId::PeriodSd),
                                                      periodSd, "period"))
            refuse("period", "the standard deviation: " + problem->text);
        if (const auto problem = tuning::periodSdProblem(period, periodSd))
            refuse("period", *problem);
        const double age = startAge(a);
        const double step = tuningStep(a);
        if (const auto problem = tuning::checkTrace(t.trace))
            refuse("trace", *problem);
        t.lines = rowNumbers(t.trace.position.size());
        for (const std::string& f : flagTexts(a, "trace_flags")) {
            const auto flag = tuning::parseTraceFlag(f);
            if (!flag)
                refuse("trace", "row " + std::to_string(t.flags.size() + 1) + ": the flag '" + f +
                                    "' is not ok, weak, edge, jump or drift");
            t.flags.push_back(*flag);
        }
        t.intervals = intervalColumns(a);
        const bool accept = a.flag("accept_flags");
        if (!accept)
            if (const auto problem = tuning::flaggedRowsProblem(t, "accept_flags = TRUE"))
                refuse("accept_flags", *problem);
        results::HeaderBlock block =
            tuning::tuningHeader(run.provenance, a.text("trace_name"), period, age, step);
        // The trace held against the astronomical test's track: its period must be the line's
        // at the test's rate.
        std::string mismatches;
        const std::string unit = a.text("positions_in");
        const auto metres = units::metresPer(unit);
        if (!metres)
            refuse("positions_in", "'" + unit + "' is not a unit; give m, cm or mm");
        if (a.given("check_track_name")) {
            const auto mismatched =
                astro::checkTraceAgainstTrack(t.trace, period, checkedTrack(a), *metres, {});
            if (!mismatched.empty()) {
                mismatches = astro::mismatchText(mismatched, t.lines, period);
                if (!accept)
                    refuse("check_track", mismatches +
                                              "; trace the line the period belongs to, or give "
                                              "accept_flags = TRUE to use this trace as it is");
            }
            block.line("checked against track",
                       a.text("check_track_name") + (mismatched.empty()
                                                         ? std::string(": every row agrees")
                                                         : ": " + mismatches));
        }
        Rows rows{"trace",     {},
                  {},          {tuning::RowIntegral::Kind::Frequency, period, periodSd, *metres},
                  "frequency", a.text("trace_header")};
        if (const auto spread = tuning::frequencySpread(t, &rows.noIntervals))
            rows.spread = *spread;
        else
            rows.spread = tuning::pointSpread(t.trace.position, t.trace.frequency);
        Rcpp::List result = agedRows(run, a, std::move(rows), block, {});
        if (a.given("check_track_name"))
            result["mismatches"] = mismatches;
        return result;
    });
}

// [[Rcpp::export(name = ".tune_sedrate")]]
SEXP tuneSedrate(Rcpp::List series, Rcpp::List args) {
    return rpackage::guarded([&]() -> SEXP {
        const Arguments a(args);
        const analysis::PreparedRun run = tuningSeries(series);
        tuning::ReadRateTrack t;
        t.track = {a.reals("track_positions"), a.reals("track_rates")};
        t.column = a.text("rate_column");
        if (t.track.position.size() != t.track.rate.size())
            refuse("track", "the columns x_centre and " + t.column + " differ in length");
        const std::string unit = a.text("positions_in");
        const auto metres = units::metresPer(unit);
        if (!metres)
            refuse("positions_in", "'" + unit + "' is not a unit; give m, cm or mm");
        const double age = startAge(a);
        const double step = tuningStep(a);
        if (const auto problem = tuning::checkRateTrack(t.track))
            refuse("track", *problem);
        t.lines = rowNumbers(t.track.position.size());
        for (const std::string& f : flagTexts(a, "track_flags")) {
            const auto flag = tuning::parseRateFlag(f);
            if (!flag)
                refuse("track", "row " + std::to_string(t.flags.size() + 1) + ": the flag '" + f +
                                    "' is not ok, weak, jump, alias or edge");
            t.flags.push_back(*flag);
        }
        t.intervals = intervalColumns(a);
        if (!a.flag("accept_flags"))
            if (const auto problem = tuning::flaggedRateRowsProblem(t, "accept_flags = TRUE"))
                refuse("accept_flags", *problem);
        const results::HeaderBlock block = tuning::sedimentationRateHeader(
            run.provenance, a.text("track_name"), unit, age, step, t.column);
        Rows rows{"track", {},
                  {},      {tuning::RowIntegral::Kind::Rate, 0, 0, *metres},
                  "rate",  a.text("track_header")};
        if (const auto spread = tuning::rateSpread(t, &rows.noIntervals))
            rows.spread = *spread;
        else
            rows.spread = tuning::pointSpread(t.track.position, t.track.rate);
        return agedRows(run, a, std::move(rows), block, {unit + " per kyr", 0});
    });
}
