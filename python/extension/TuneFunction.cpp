// tune(): the age model and tuned series of a traced cycle.
#include "core/text/NumberText.h"
#include "core/tuning/AgeModel.h"
#include "core/tuning/RowIntervals.h"
#include "core/tuning/TraceFile.h"
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
                                  "' is not ok, weak, edge or jump");
        out.push_back(*flag);
    }
    if (out.size() != rows)
        throw py::value_error("trace_flags: " + std::to_string(out.size()) + " flags for " +
                              std::to_string(rows) + " rows of the trace");
    return out;
}

py::dict tune(const py::object& positions, const py::object& values, const py::object& traceX,
              const py::object& traceF, double period, double startAge, const py::object& step,
              const py::object& flagsArg, bool acceptFlags, int ensemble, const py::object& seed,
              double interval, const py::object& anchors, const py::object& windowLength,
              double periodSd, bool returnEnsemble) {
    const TuningSeries series = tuningSeries(positions, values);
    const TableColumns columns =
        tableColumns(traceX, traceF, "x_centre", "frequency", "trace_positions, trace_frequencies");
    const Doubles tx = seriesArray(columns.first, "trace_positions");
    const Doubles tf = seriesArray(columns.second, "trace_frequencies");
    if (tx.size() != tf.size())
        throw py::value_error("trace_positions, trace_frequencies: the lengths differ");
    if (!(period > 0) || !std::isfinite(period))
        throw py::value_error("period: " + text::exactNumber(period) + " must be a number above 0");
    if (!std::isfinite(startAge))
        throw py::value_error("start_age: " + text::exactNumber(startAge) +
                              " is not a finite number");
    const double s = tuningStep(step);
    tuning::ReadTrace t;
    t.trace = {{tx.data(), tx.data() + tx.size()}, {tf.data(), tf.data() + tf.size()}};
    if (const auto problem = tuning::checkTrace(t.trace))
        throw py::value_error("trace: " + *problem);
    t.flags = traceFlags(columns, traceX, flagsArg, t.trace.position.size());
    t.lines.resize(t.flags.size());
    std::iota(t.lines.begin(), t.lines.end(), 1); // rows counted from 1, as "line N"
    if (!acceptFlags)
        if (const auto problem = tuning::flaggedRowsProblem(t, "accept_flags=True"))
            throw py::value_error("accept_flags: " + *problem);
    const EnsembleArguments e =
        ensembleArguments(ensemble, seed, interval, windowLength, periodSd, anchors, returnEnsemble,
                          startAge, series.positions);
    if (const auto problem = tuning::periodSdProblem(period, periodSd))
        throw py::value_error("period_sd: " + *problem);
    std::string noIntervals;
    const auto spread =
        structuredSpread(traceX, columns.structured, t.trace.position, t.trace.frequency,
                         "frequency_low", "frequency_high", &noIntervals);
    return ensembleResult(
        series.positions, series.values, s,
        spread ? *spread : tuning::pointSpread(t.trace.position, t.trace.frequency), noIntervals,
        "trace_positions", {tuning::RowIntegral::Kind::Frequency, period, periodSd, 1}, e,
        "frequency");
}

const char* tuneDoc = R"(The age model and tuned series of a traced cycle, as ``tonalith-cli
tune`` makes them.

Between the trace's points the frequency is linear in position, held at the ends;
age(z) = start_age + period x the integral of the frequency from the first position to z; the
sedimentation rate is 1 / (period x f(z)).

A trace with rows flagged "jump" or "edge" (the line may have jumped to another cycle or left
its search band) is refused unless `accept_flags` is True.

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
    The flag of each row of the trace ("ok", "weak", "edge" or "jump"), for a trace given as
    two columns; without flags the trace is taken as it is.
accept_flags : bool
    Build the model even when rows are flagged "jump" or "edge".
ensemble : int
    Age models drawn from the rows' intervals (the fields frequency_low and frequency_high of a
    structured trace), each integrated as the single model, for the age band; 0: the single
    model alone. Neighbouring rows are drawn correlated by the share of samples their windows
    have in common.
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
    tuned_age, tuned_value. With `ensemble`: age_low, age_median and age_high (1-D float64,
    the band), duration, duration_low and duration_high (float); with `anchors`: duration and
    anchor_misses (one dict per anchor: position, age, sd, model, the model's age without
    anchors shifted to the first, miss, and miss_sd, the miss in standard deviations or None);
    with either: hiatuses (one dict per possible hiatus or condensed section: position, first,
    last, signs); with `return_ensemble`: ensemble (2-D float64, models x positions).

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
          keyword("ensemble", analysis::Command::Tune), keyword("seed", analysis::Command::Tune),
          keyword("interval", analysis::Command::Tune), py::arg("anchors") = py::none(),
          py::arg("window_length") = py::none(), keyword("period_sd", analysis::Command::Tune),
          keyword("return_ensemble", analysis::Command::Tune), tuneDoc);
}

} // namespace pymodule
