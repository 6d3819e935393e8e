#include "python/extension/SeriesArguments.h"

#include "core/service/AnalysisService.h"
#include "core/text/NumberText.h"
#include "python/extension/Refusals.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace py = pybind11;

namespace pymodule {

namespace {

// None: no resampling; True: at the median spacing; a number: at that spacing. Resampling
// happens only when the positions are unevenly spaced.
void setInterpolation(analysis::RunRequest& request, const py::object& interpolate) {
    if (interpolate.is_none())
        return;
    if (PyBool_Check(interpolate.ptr())) {
        request.interpolate = interpolate.cast<bool>();
        return;
    }
    double step = 0;
    try {
        step = interpolate.cast<double>();
    } catch (const py::cast_error&) {
        throw py::type_error("interpolate: None, True or a spacing (a number) is needed");
    }
    if (!(step > 0) || !std::isfinite(step))
        throw py::value_error("interpolate: the step " + text::writtenNumber(step) +
                              " must be a number above 0");
    request.interpolate = true;
    request.interpolateStep = step;
}

} // namespace

Doubles seriesArray(const py::object& obj, const char* name) {
    // Converting would drop an imaginary part or turn truth values into 0 and 1 unnoticed.
    if (const py::array given = py::array::ensure(obj)) {
        const char kind = given.dtype().kind();
        if (kind == 'c' || kind == 'b')
            throw py::value_error(std::string(name) + ": " + (kind == 'c' ? "complex" : "boolean") +
                                  " values cannot be analysed; give real numbers");
    }
    Doubles a = Doubles::ensure(obj);
    if (!a)
        throw py::type_error(std::string(name) + ": an array-like of numbers is needed, not " +
                             Py_TYPE(obj.ptr())->tp_name);
    if (a.ndim() != 1)
        throw py::value_error(std::string(name) + ": a one-dimensional array is needed; it has " +
                              std::to_string(a.ndim()) + " dimensions");
    return a;
}

analysis::WindowDetrend windowDetrendArgument(const std::string& text) {
    const auto how = analysis::parseWindowDetrend(text);
    if (!how)
        throw py::value_error("window_detrend: '" + text + "' is not none, mean or linear");
    return *how;
}

void checkWorkers(int workers) {
    if (workers < 0 || workers > service::maxWorkers)
        throw py::value_error("workers: " + std::to_string(workers) + " lies outside 0 .. " +
                              std::to_string(service::maxWorkers) + " (0: one per core)");
}

analysis::PreparedRun prepareArrays(const py::object& positions, const py::object& values,
                                    analysis::RunRequest& request, const py::object& interpolate,
                                    bool log, const std::string& detrend, bool standardise) {
    const Doubles x = seriesArray(positions, "positions");
    const Doubles y = seriesArray(values, "values");
    if (x.size() != y.size())
        throw py::value_error("positions, values: the lengths differ (" + std::to_string(x.size()) +
                              " positions, " + std::to_string(y.size()) + " values)");
    setInterpolation(request, interpolate);
    request.refuseUneven = true;
    std::string why;
    const auto trend = series::parseDetrend(detrend, &why);
    if (!trend)
        throw py::value_error("detrend: " + why);
    request.preparation.log = log;
    request.preparation.detrend = *trend;
    request.preparation.standardise = standardise;

    // Messages name a sample by its number from 1, as "line N".
    series::Series s;
    const std::size_t n = static_cast<std::size_t>(x.size());
    s.xpos.assign(x.data(), x.data() + n);
    s.yval.assign(y.data(), y.data() + n);
    s.lines.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        s.lines[i] = static_cast<int>(std::min<std::size_t>(i + 1, INT_MAX));

    analysis::PreparedRun run;
    {
        py::gil_scoped_release release;
        run = analysis::prepareSeries(std::move(s), request);
    }
    if (const auto& problem = run.problem) {
        if (problem->spacing)
            throw py::value_error("positions: " +
                                  analysis::unevenSpacingText(*problem->spacing, "interpolate="));
        throw py::value_error(keywordOf(*problem) + ": " + problem->text);
    }
    if (!run.spacing.even && !run.resampling.done &&
        PyErr_WarnEx(PyExc_UserWarning, run.spacing.text.c_str(), 1) != 0)
        throw py::error_already_set();
    return run;
}

} // namespace pymodule
