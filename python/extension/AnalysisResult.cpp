#include "python/extension/AnalysisResult.h"

#include "core/service/AnalysisService.h"
#include "core/text/NumberText.h"
#include "core/tuning/LineTrace.h"
#include "python/extension/AstroArguments.h"
#include "python/extension/Bindings.h"
#include "python/extension/Refusals.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace py = pybind11;

namespace pymodule {

namespace {

// A read-only array over storage that `owner` keeps alive.
py::array view(py::handle owner, const double* data, std::vector<py::ssize_t> shape,
               std::vector<py::ssize_t> strides) {
    py::array a(py::dtype::of<double>(), std::move(shape), std::move(strides), data, owner);
    a.attr("flags").attr("writeable") = false;
    return a;
}

const results::ResultSet& rows(const py::object& self) {
    return self.cast<const Analysis&>().r;
}

constexpr auto cell = static_cast<py::ssize_t>(sizeof(double));

py::array peaks(const Analysis& a, const py::object& levelArg, const py::object& fdrArg) {
    results::LineRule rule;
    if (!fdrArg.is_none()) {
        rule.fdr = fdrArg.cast<double>();
        if (!(rule.fdr > 0 && rule.fdr < 1))
            throw py::value_error("fdr: the false discovery rate " + text::writtenNumber(rule.fdr) +
                                  " must lie above 0 and below 1");
        rule.level = 0; // the false-discovery control alone decides, unless a level is given
    }
    if (!levelArg.is_none())
        rule.level = levelArg.cast<double>();
    if (!levelArg.is_none() && !(rule.level > 0 && rule.level <= 1))
        throw py::value_error("level: the probability " + text::writtenNumber(rule.level) +
                              " must lie above 0 and at most 1");
    std::vector<results::Peak> all;
    for (int w = 0; w < a.r.windows; ++w) {
        const std::vector<results::Peak> lines = results::findPeaks(a.r, w, rule);
        all.insert(all.end(), lines.begin(), lines.end());
    }
    py::array_t<results::Peak> out(static_cast<py::ssize_t>(all.size()));
    std::copy(all.begin(), all.end(), out.mutable_data());
    return out;
}

// One row per window: the fields of peaks(), then the row's flag and whether the trace started
// there.
py::array traceRows(const std::vector<tuning::TracePoint>& points, int startWindow) {
    const py::module_ np = py::module_::import("numpy");
    py::list fields;
    for (const char* name : {"x_centre", "frequency", "period", "amplitude", "probability"})
        fields.append(py::make_tuple(name, "f8"));
    fields.append(py::make_tuple("flag", "U5")); // the longest, "drift"
    fields.append(py::make_tuple("start", "?"));
    fields.append(py::make_tuple("frequency_low", "f8"));
    fields.append(py::make_tuple("frequency_high", "f8"));
    py::array out = np.attr("zeros")(points.size(), np.attr("dtype")(fields));
    const auto column = [&](auto value) {
        py::list c;
        for (const tuning::TracePoint& q : points)
            c.append(value(q));
        return c;
    };
    out["x_centre"] = column([](const auto& q) { return q.centre; });
    out["frequency"] = column([](const auto& q) { return q.frequency; });
    // As the tool writes it: a point at frequency 0 has no period, written 0.
    out["period"] = column([](const auto& q) { return q.frequency > 0 ? 1 / q.frequency : 0.0; });
    out["amplitude"] = column([](const auto& q) { return q.amplitude; });
    out["probability"] = column([](const auto& q) { return q.probability; });
    out["flag"] = column([](const auto& q) { return tuning::traceFlagName(q.flag); });
    out["frequency_low"] = column([](const auto& q) { return q.frequencyLow; });
    out["frequency_high"] = column([](const auto& q) { return q.frequencyHigh; });
    out["start"] = column([&](const auto& q) { return q.window == startWindow; });
    return out;
}

py::array trace(const Analysis& a, double x, double f, const py::object& bandArg,
                const std::string& byName, double level, const py::object& periodArg,
                double interval) {
    const auto by = tuning::parseTraceBy(byName);
    if (!by)
        throw py::value_error("by: '" + byName + "' is not amplitude or probability");
    const double first = a.r.positions.front(), last = a.r.positions.back();
    if (!(x >= first && x <= last))
        throw py::value_error("x: the position " + text::writtenNumber(x) +
                              " lies outside the record (" + text::writtenNumber(first) + " to " +
                              text::writtenNumber(last) + ")");
    const double highest = a.r.provenance.params.fmax / a.r.provenance.deltat;
    if (!(f > 0) || !std::isfinite(f))
        throw py::value_error("f: the frequency " + text::writtenNumber(f) + " must be above 0");
    if (f > highest)
        throw py::value_error("f: the frequency " + text::writtenNumber(f) +
                              " lies above the highest frequency of the map (" +
                              text::writtenNumber(highest) + " cycles per position unit)");
    if (!(level > 0 && level <= 1))
        throw py::value_error("level: the probability " + text::writtenNumber(level) +
                              " must lie above 0 and at most 1");
    const double band = bandArg.is_none() ? tuning::halfBandwidth(a.r) / 2 : bandArg.cast<double>();
    if (!(band > 0) || !std::isfinite(band))
        throw py::value_error("band: " + text::writtenNumber(band) + " must be a number above 0");
    const double period = periodArg.is_none() ? 0.0 : periodArg.cast<double>();
    if (!periodArg.is_none())
        if (const auto problem = analysis::checkValue(
                analysis::parameter(analysis::ParameterId::Period), period, "period"))
            throw py::value_error(problem->message());
    checkEntry(analysis::ParameterId::IntervalProbability, interval, "interval");
    const int window = tuning::nearestWindow(a.r, x);
    const int bin = tuning::startBin(a.r, window, f, band, *by);
    std::vector<tuning::TracePoint> points = tuning::traceLine(a.r, window, bin, band, *by, level);
    if (period > 0)
        tuning::flagDrift(points, period, tuning::halfBandwidth(a.r));
    {
        py::gil_scoped_release release;
        service::Execution quiet;
        quiet.quiet = true;
        service::addTraceIntervals(points, a.r, interval, quiet);
    }
    return traceRows(points, window);
}

const char* analysisDoc = R"(The results of `analyze`: the amplitude of the harmonic line and the
probability of its F statistic at every window centre and frequency.

The arrays are read-only views of the results; ``numpy.array(a.amplitude)`` makes a copy.
Row w of `amplitude` and `probability`, frequency ascending, holds the tool's rows of window w.

Attributes
----------
centres : numpy.ndarray
    The window centres (1-D float64, position units), one per window.
frequencies : numpy.ndarray
    The frequencies (1-D float64, cycles per position unit), ascending, one per bin.
amplitude : numpy.ndarray
    The amplitude of the harmonic line (2-D float64, windows x frequencies, unit of the values).
probability : numpy.ndarray
    The probability of its F statistic (2-D float64, windows x frequencies; 1e37 where it
    cannot be evaluated, i.e. with a single taper).
positions : numpy.ndarray
    The positions of the series as the engine got it (after interpolation).
values : numpy.ndarray
    The values of the series as the engine got it (after interpolation and preparation).
parameters : dict
    The settings of the run, the samples, the spacing, interpolation and preparation.)";

const char* peaksDoc = R"(The spectral lines of every window, as ``tonalith-cli peaks --level
LEVEL [--fdr Q]`` lists them.

In each run of adjacent frequencies whose probability reaches `level`, the local maxima of the
probability (on a plateau of equal probability, the frequency of largest amplitude). Frequency 0
is never a line.

Parameters
----------
level : float, optional
    The probability a line reaches, above 0 and at most 1; 0.95 when neither `level` nor `fdr`
    is given.
fdr : float, optional
    A false discovery rate Q, above 0 and below 1: only the bins the Benjamini-Hochberg
    procedure keeps at rate Q over the window's tested bins (p = 1 - probability) can hold a
    line; `level` then applies only when given.

Returns
-------
numpy.ndarray
    A structured array with the float64 fields x_centre, frequency, period (1 / frequency,
    position units), amplitude and probability; windows in order, frequency ascending within a
    window.

Raises
------
ValueError
    When `level` or `fdr` lies outside its range.)";

const char* traceDoc = R"(The line followed through every window, as ``tonalith-cli trace
--start X:F [--band BAND] [--by BY]`` follows it.

The trace starts in the window nearest position `x`, at the local maximum of the criterion
(amplitude or probability) nearest `f` within `band` of it; each next window takes the bin of
largest criterion within `band` of the previous one. The lowest band, below the half-bandwidth
W, where a window's local mean lives, is never entered. Each row is flagged with the most
serious of: "drift" (with `period` only: the frequency departs from 1 / `period` by more than
W), "jump" (the frequency moved by more than half of `band` from the neighbouring window),
"edge" (the bin lies on the edge of the search band, so the line may have left it), "weak"
(probability below `level`), else "ok".

Parameters
----------
x : float
    The position where the line starts, within the record.
f : float
    The frequency where the line starts (cycles per position unit), above 0 and at most the
    highest frequency of the analysis.
band : float, optional
    How far the line may move from one window to the next (cycles per position unit); W / 2 by
    default, W being the tapers' half-bandwidth.
by : {'amplitude', 'probability'}
    What the next window's bin maximises.
level : float
    The probability a row must reach not to be flagged "weak", above 0 and at most 1.
period : float, optional
    The period of the traced cycle when the positions are ages in its unit (41 for obliquity
    in kyr), above 0. A cycle keeps its period in time, so every row whose frequency departs
    from 1 / `period` by more than W is flagged "drift", however small the steps that led
    there; `tune` refuses such rows unless told.
interval : float
    The probability of each row's frequency interval, above 0 and below 1.

Returns
-------
numpy.ndarray
    One row per window, with the float64 fields of `peaks`, then ``flag`` (str: "ok",
    "weak", "edge", "jump" or "drift"), ``start`` (bool: True in the row where the trace started;
    its frequency is where the start snapped to) and ``frequency_low``, ``frequency_high``
    (float64): the interval of the line's frequency in its window, from least squares of the
    line on the window's eigencoefficients (Thomson 1982) with the likelihood-ratio interval
    on 2K - 3 degrees of freedom (Beale 1960), stretched to hold the row's frequency; NaN with
    fewer than 2 tapers. `tune` takes it as it is.

Raises
------
ValueError
    Naming the argument that is refused.)";

} // namespace

void bindAnalysis(py::module_& m) {
    PYBIND11_NUMPY_DTYPE_EX(results::Peak, centre, "x_centre", frequency, "frequency", period,
                            "period", amplitude, "amplitude", probability, "probability");
    py::class_<Analysis>(m, "Analysis", analysisDoc)
        .def_property_readonly(
            "centres",
            [](const py::object& self) {
                const results::ResultSet& r = rows(self);
                return view(self, r.xcent.data(), {r.windows}, {r.bins * cell});
            },
            "Window centres (1-D float64, position units).")
        .def_property_readonly(
            "frequencies",
            [](const py::object& self) {
                const results::ResultSet& r = rows(self);
                return view(self, r.freq.data(), {r.bins}, {cell});
            },
            "Frequencies (1-D float64, cycles per position unit), ascending.")
        .def_property_readonly(
            "amplitude",
            [](const py::object& self) {
                const results::ResultSet& r = rows(self);
                return view(self, r.ampl.data(), {r.windows, r.bins}, {r.bins * cell, cell});
            },
            "Line amplitude (2-D float64, windows x frequencies, unit of the values).")
        .def_property_readonly(
            "probability",
            [](const py::object& self) {
                const results::ResultSet& r = rows(self);
                return view(self, r.prob.data(), {r.windows, r.bins}, {r.bins * cell, cell});
            },
            "F-test probability (2-D float64, windows x frequencies; 1e37 where it cannot be "
            "evaluated).")
        .def_property_readonly(
            "positions",
            [](const py::object& self) {
                const results::ResultSet& r = rows(self);
                return view(self, r.positions.data(),
                            {static_cast<py::ssize_t>(r.positions.size())}, {cell});
            },
            "Positions of the series as analysed (after interpolation).")
        .def_property_readonly(
            "values",
            [](const py::object& self) {
                const results::ResultSet& r = rows(self);
                return view(self, r.values.data(), {static_cast<py::ssize_t>(r.values.size())},
                            {cell});
            },
            "Values of the series as analysed (after interpolation, log, detrending, "
            "standardising; before the mean is removed).")
        .def_property_readonly(
            "parameters", [](const Analysis& a) { return a.parameters; },
            "The settings of the run, the samples, the spacing, interpolation and preparation.")
        .def("trace", &trace, py::arg("x"), py::arg("f"), py::arg("band") = py::none(),
             keyword("by", analysis::Command::Trace), keyword("level", analysis::Command::Trace),
             py::arg("period") = py::none(), keyword("interval", analysis::Command::Trace),
             traceDoc)
        .def("peaks", &peaks, py::arg("level") = py::none(), py::arg("fdr") = py::none(), peaksDoc)
        .def("__repr__", [](const Analysis& a) {
            return "<tonalith.Analysis: " + std::to_string(a.r.windows) + " windows x " +
                   std::to_string(a.r.bins) + " frequencies>";
        });
}

} // namespace pymodule
