// tune() and tune_sedrate(): the age model and tuned series of a traced cycle or of a
// sedimentation-rate track.
#include "rpackage/Interface.h"

#include "core/text/NumberText.h"
#include "core/tuning/SedimentationRate.h"
#include "core/tuning/TraceFile.h"
#include "core/units/RecordUnits.h"

#include <cmath>
#include <numeric>

using rpackage::Arguments;
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

// The two columns of a table (trace or track) and the file-like line numbers of its rows.
std::vector<int> rowNumbers(std::size_t rows) {
    std::vector<int> lines(rows);
    std::iota(lines.begin(), lines.end(), 1); // rows counted from 1, as "line N"
    return lines;
}

std::vector<std::string> flagTexts(const Arguments& a, const char* name) {
    return a.given(name) ? Rcpp::as<std::vector<std::string>>(a.value(name))
                         : std::vector<std::string>{};
}

SEXP modelAndTuned(const results::HeaderBlock& block, const tuning::AgeModel& model,
                   const tuning::TunedSeries& tuned, const std::string& title,
                   const tuning::AgeModelTable& table) {
    if (!tuning::tuningFinite(model, tuned))
        throw std::runtime_error("the age model is not finite for these settings");
    return Rcpp::List::create(
        Rcpp::Named("model") = rpackage::tables(tuning::ageModelText(block, model, table)),
        Rcpp::Named("tuned") = rpackage::tables(tuning::tunedSeriesText(block, tuned, title)));
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
        const double period = a.real("period");
        if (!(period > 0) || !std::isfinite(period))
            refuse("period", text::exactNumber(period) + " must be a number above 0");
        const double age = startAge(a);
        const double step = tuningStep(a);
        if (const auto problem = tuning::checkTrace(t.trace))
            refuse("trace", *problem);
        t.lines = rowNumbers(t.trace.position.size());
        for (const std::string& f : flagTexts(a, "trace_flags")) {
            const auto flag = tuning::parseTraceFlag(f);
            if (!flag)
                refuse("trace", "row " + std::to_string(t.flags.size() + 1) + ": the flag '" + f +
                                    "' is not ok, weak, edge or jump");
            t.flags.push_back(*flag);
        }
        if (!a.flag("accept_flags"))
            if (const auto problem = tuning::flaggedRowsProblem(t, "accept_flags = TRUE"))
                refuse("accept_flags", *problem);
        const tuning::AgeModel model = tuning::ageModel(run.series.xpos, t.trace, period, age);
        const results::HeaderBlock block =
            tuning::tuningHeader(run.provenance, a.text("trace_name"), period, age, step);
        return modelAndTuned(block, model, tuning::tunedSeries(model, run.series.yval, step),
                             run.provenance.columnName, {});
    });
}

// [[Rcpp::export(name = ".tune_sedrate")]]
SEXP tuneSedrate(Rcpp::List series, Rcpp::List args) {
    return rpackage::guarded([&]() -> SEXP {
        const Arguments a(args);
        const analysis::PreparedRun run = tuningSeries(series);
        tuning::ReadRateTrack t;
        t.track = {a.reals("track_positions"), a.reals("track_rates")};
        if (t.track.position.size() != t.track.rate.size())
            refuse("track", "the columns x_centre and sedimentation_rate differ in length");
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
        if (!a.flag("accept_flags"))
            if (const auto problem = tuning::flaggedRateRowsProblem(t, "accept_flags = TRUE"))
                refuse("accept_flags", *problem);
        const tuning::AgeModel model =
            tuning::sedimentationAgeModel(run.series.xpos, t.track, *metres, age);
        const results::HeaderBlock block =
            tuning::sedimentationRateHeader(run.provenance, a.text("track_name"), unit, age, step);
        return modelAndTuned(block, model, tuning::tunedSeries(model, run.series.yval, step),
                             run.provenance.columnName, {unit + " per kyr", 0});
    });
}
