// tune(): the age model and tuned series of a traced cycle.
#include "core/astro/TrackCheck.h"
#include "core/series/SeriesFile.h"
#include "core/text/NumberText.h"
#include "core/tuning/AgeModel.h"
#include "core/tuning/RowIntervals.h"
#include "core/tuning/SedimentationRate.h"
#include "core/tuning/TraceFile.h"
#include "python/extension/AstroArguments.h"
#include "python/extension/Bindings.h"
#include "python/extension/EnsembleArguments.h"
#include "python/extension/Refusals.h"
#include "python/extension/SeriesArguments.h"
#include "python/extension/TuningArguments.h"

#include <cmath>
#include <numeric>
#include <string>
#include <vector>

namespace py = pybind11;

namespace pymodule {

namespace {

// The flag of each row, from the trace's own field or from trace_flags; empty when neither
// gives them (a trace without flags is taken as it is).
std::vector<tuning::TraceFlag> traceFlags(const TableColumns& trace, const py::object& traceX,
                                          const py::object& given, std::size_t rows) {
    py::object flags = given;
    if (trace.structured && traceX.attr("dtype").attr("names").contains("flag")) {
        if (!given.is_none())
            throw py::value_error("trace_flags: the trace holds its flags; give it alone");
        flags = traceX["flag"];
    }
    std::vector<tuning::TraceFlag> out;
    if (flags.is_none())
        return out;
    for (const py::handle f : flags) {
        const auto flag = tuning::parseTraceFlag(py::str(f).cast<std::string>());
        if (!flag)
            throw py::value_error("trace_flags: row " + std::to_string(out.size() + 1) + ": '" +
                                  py::str(f).cast<std::string>() +
                                  "' is not ok, weak, edge, jump or drift");
        out.push_back(*flag);
    }
    if (out.size() != rows)
        throw py::value_error("trace_flags: " + std::to_string(out.size()) + " flags for " +
                              std::to_string(rows) + " rows of the trace");
    return out;
}

// The track a trace is checked against: a file's name, or a structured array with the fields
// x_centre and identified_rate (or sedimentation_rate), as etimeopt returns it.
tuning::RateTrack checkedTrack(const py::object& track) {
    const py::object path = py::module_::import("os").attr("PathLike");
    std::string why;
    if (py::isinstance<py::str>(track) || py::isinstance(track, path)) {
        const std::string name = py::str(py::module_::import("os").attr("fspath")(track));
        const auto text = series::readText(name, &why);
        const auto read = text ? tuning::readRateTrack(*text, &why) : std::nullopt;
        if (!read)
            throw py::value_error("check_track: " + name + ": " + why);
        return read->track;
    }
    const bool identified =
        py::hasattr(track, "dtype") && !track.attr("dtype").attr("names").is_none() &&
        track.attr("dtype").attr("names").contains(tuning::identifiedRateColumn);
    const TableColumns columns = tableColumns(
        track, py::none(), "x_centre",
        identified ? tuning::identifiedRateColumn : tuning::optimumRateColumn, "check_track");
    const Doubles x = seriesArray(columns.first, "check_track");
    const Doubles rate = seriesArray(columns.second, "check_track");
    tuning::RateTrack t{{x.data(), x.data() + x.size()}, {rate.data(), rate.data() + rate.size()}};
    if (const auto problem = tuning::checkRateTrack(t))
        throw py::value_error("check_track: " + *problem);
    return t;
}

py::dict tune(const py::object& positions, const py::object& values, const py::object& traceX,
              const py::object& traceF, double period, double startAge, const py::object& step,
              const py::object& flagsArg, bool acceptFlags, const py::object& checkTrack,
              const std::string& positionsIn, int ensemble, const py::object& seed, double interval,
              const py::object& anchors, const py::object& windowLength, double periodSd,
              bool returnEnsemble) {
    const TuningSeries series = tuningSeries(positions, values);
    const TableColumns columns =
        tableColumns(traceX, traceF, "x_centre", "frequency", "trace_positions, trace_frequencies");
    const Doubles tx = seriesArray(columns.first, "trace_positions");
    const Doubles tf = seriesArray(columns.second, "trace_frequencies");
    if (tx.size() != tf.size())
        throw py::value_error("trace_positions, trace_frequencies: the lengths differ");
    if (!(period > 0) || !std::isfinite(period))
        throw py::value_error("period: " + text::writtenNumber(period) +
                              " must be a number above 0");
    if (!std::isfinite(startAge))
        throw py::value_error("start_age: " + text::writtenNumber(startAge) +
                              " is not a finite number");
    const double s = tuningStep(step);
    tuning::ReadTrace t;
    t.trace = {{tx.data(), tx.data() + tx.size()}, {tf.data(), tf.data() + tf.size()}};
    if (const auto problem = tuning::checkTrace(t.trace))
        throw py::value_error("trace: " + *problem);
    t.flags = traceFlags(columns, traceX, flagsArg, t.trace.position.size());
    t.lines.resize(t.trace.position.size());
    std::iota(t.lines.begin(), t.lines.end(), 1); // rows counted from 1, as "line N"
    if (!acceptFlags)
        if (const auto problem = tuning::flaggedRowsProblem(t, "accept_flags=True"))
            throw py::value_error("accept_flags: " + *problem);
    const double metres = positionUnit(positionsIn);
    std::string checked;
    if (!checkTrack.is_none()) {
        const auto mismatched =
            astro::checkTraceAgainstTrack(t.trace, period, checkedTrack(checkTrack), metres, {});
        if (!mismatched.empty()) {
            checked = astro::mismatchText(mismatched, t.lines, period);
            if (!acceptFlags)
                throw py::value_error("check_track: " + checked +
                                      "; trace the line the period belongs to, or give "
                                      "accept_flags=True to use this trace as it is");
        }
    }
    const EnsembleArguments e =
        ensembleArguments(ensemble, seed, interval, windowLength, periodSd, anchors, returnEnsemble,
                          startAge, series.positions);
    if (const auto problem = tuning::periodSdProblem(period, periodSd))
        throw py::value_error("period_sd: " + *problem);
    std::string noIntervals;
    const auto spread =
        structuredSpread(traceX, columns.structured, t.trace.position, t.trace.frequency,
                         "frequency_low", "frequency_high", &noIntervals);
    py::dict d = ensembleResult(
        series.positions, series.values, s,
        spread ? *spread : tuning::pointSpread(t.trace.position, t.trace.frequency), noIntervals,
        "trace_positions", {tuning::RowIntegral::Kind::Frequency, period, periodSd, metres}, e,
        "frequency");
    if (!checkTrack.is_none())
        d["mismatches"] = checked;
    return d;
}

const char* tuneDoc = R"(The age model and tuned series of a traced cycle, as ``tonalith-cli
tune`` makes them.

Between the trace's points the frequency is linear in position, held at the ends;
age(z) = start_age + period x the integral of the frequency from the first position to z; the
sedimentation rate is 1 / (period x f(z)).

A trace with rows flagged "jump", "edge" or "drift" (the line may have jumped to another
cycle, left its search band, or, on a record whose positions are ages, drifted from its
period: see `Analysis.trace`) is refused unless `accept_flags` is True.

Parameters
----------
positions, values : array_like
    The series (1-D, equal lengths, positions increasing).
trace_positions : array_like or numpy.ndarray
    The traced line's positions, increasing; or the whole trace as `Analysis.trace` returns it
    (its fields x_centre, frequency and flag are used, and `trace_frequencies` is not given).
trace_frequencies : array_like, optional
    The traced line's frequencies, above 0 (cycles per position unit).
period : float
    The cycle's period in age units (e.g. 41 for obliquity in kyr), above 0.
start_age : float
    The age of the first position.
step : float, optional
    When given, the tuned series is resampled linearly at start_age, start_age + step, ...
trace_flags : sequence of str, optional
    The flag of each row of the trace ("ok", "weak", "edge", "jump" or "drift"), for a trace
    given as two columns; without flags the trace is taken as it is.
accept_flags : bool
    Build the model even when rows are flagged "jump", "edge" or "drift", or disagree with
    `check_track`.
check_track : str, os.PathLike or numpy.ndarray, optional
    An etimeopt track (a file, or the structured array `etimeopt` returns): each row's rate,
    100 / (frequency x period) cm/kyr for positions in metres, is held against the track's
    identified rate there; rows that differ by more than 25 % are refused (ValueError naming
    the cycle the line is at the track's rate) unless `accept_flags`.
positions_in : {'m', 'cm', 'mm'}
    The unit of the positions, for `check_track` and the cycle reading of an `ensemble`.
ensemble : int
    Age models drawn from the rows' intervals (the fields frequency_low and frequency_high of a
    structured trace), each integrated as the single model, for the age band; 0: the single
    model alone. Neighbouring rows are drawn correlated by the share of samples their windows
    have in common; the change of the rows across each row's window adds an error all rows
    share (one draw per model); an interval narrower than the rows' scatter about their trend
    (read from their second differences half a window apart) is widened to it. A row that the
    astronomical test in its window reads as another cycle than the period (precession for
    obliquity, or the reverse: a trace goes over to another line where the rate steps) is drawn
    at either reading, half the models each; the result's cycle_readings names those rows (the
    period in kyr, the positions in positions_in).
seed : int
    Seed of the draws: the same seed gives the same band.
interval : float
    The probability of the band and of the duration's interval (0.95: the 2.5 and 97.5 %
    points).
anchors : sequence of (position, age) or (position, age, sd), optional
    Ages known at positions, each with its standard deviation in age units (none: exact). One
    shifts the model to it; several rescale it between them, each member of the ensemble
    meeting ages drawn with their standard deviations. Refused with a start_age other than 0.
window_length : float, optional
    The length, in position units, of the windows the rows were measured in (the analysis's
    window times the spacing); needed with `ensemble`.
period_sd : float
    One standard deviation of the period, drawn for each model of the ensemble.
return_ensemble : bool
    Also return the ensemble's ages (with `ensemble`).

Returns
-------
dict
    1-D float64 arrays: position, age, sedimentation_rate (position units per age unit),
    tuned_age, tuned_value; with `check_track`, mismatches (a str naming the rows that disagree,
    empty when none). With `ensemble`: age_low, age_median and
    age_high (1-D float64, the band), duration, duration_low and duration_high (float),
    cycle_readings (str: the rows read as another cycle too, empty when none); with
    `anchors`: duration and anchor_misses (one dict per anchor: position, age, sd, model, the
    model's age without anchors shifted to the first, miss, and miss_sd, the miss in standard
    deviations or None); with either: hiatuses (one dict per possible hiatus or condensed
    section: position, first, last, signs); with `return_ensemble`: ensemble (2-D float64,
    models x positions).

Raises
------
ValueError
    Naming the argument at fault ("trace: row N ..." for the traced line; "accept_flags: ..."
    naming the first flagged rows, counted from 1, as "line N").
RuntimeError
    When the age model is not finite.)";

} // namespace

void bindTune(py::module_& m) {
    m.def("tune", &tune, py::arg("positions"), py::arg("values"), py::arg("trace_positions"),
          py::arg("trace_frequencies") = py::none(), py::kw_only(), py::arg("period"),
          keyword("start_age", analysis::Command::Tune), py::arg("step") = py::none(),
          py::arg("trace_flags") = py::none(), keyword("accept_flags", analysis::Command::Tune),
          py::arg("check_track") = py::none(), keyword("positions_in", analysis::Command::Tune),
          keyword("ensemble", analysis::Command::Tune), keyword("seed", analysis::Command::Tune),
          keyword("interval", analysis::Command::Tune), py::arg("anchors") = py::none(),
          py::arg("window_length") = py::none(), keyword("period_sd", analysis::Command::Tune),
          keyword("return_ensemble", analysis::Command::Tune), tuneDoc);
}

} // namespace pymodule
