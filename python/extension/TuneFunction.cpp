// tune(): the age model and tuned series of a traced cycle.
#include "core/tuning/AgeModel.h"
#include "python/extension/Bindings.h"
#include "python/extension/Refusals.h"
#include "python/extension/SeriesArguments.h"

#include <cmath>
#include <string>
#include <vector>

namespace py = pybind11;

namespace pymodule {

namespace {

py::dict tune(const py::object& positions, const py::object& values, const py::object& traceX,
              const py::object& traceF, double period, double startAge, const py::object& step) {
    const Doubles z = seriesArray(positions, "positions");
    const Doubles v = seriesArray(values, "values");
    const Doubles tx = seriesArray(traceX, "trace_positions");
    const Doubles tf = seriesArray(traceF, "trace_frequencies");
    if (z.size() != v.size() || z.size() < 1)
        throw py::value_error("positions, values: the lengths differ or are 0");
    if (tx.size() != tf.size())
        throw py::value_error("trace_positions, trace_frequencies: the lengths differ");
    if (!(period > 0) || !std::isfinite(period))
        throw py::value_error("period: " + numberText(period) + " must be a number above 0");
    if (!std::isfinite(startAge))
        throw py::value_error("start_age: " + numberText(startAge) + " is not a finite number");
    const double s = step.is_none() ? 0.0 : step.cast<double>();
    if (!step.is_none() && (!(s > 0) || !std::isfinite(s)))
        throw py::value_error("step: " + numberText(s) + " must be a number above 0");
    tuning::Trace t{{tx.data(), tx.data() + tx.size()}, {tf.data(), tf.data() + tf.size()}};
    if (const auto problem = tuning::checkTrace(t))
        throw py::value_error("trace: " + *problem);
    const std::vector<double> zs(z.data(), z.data() + z.size());
    for (std::size_t i = 1; i < zs.size(); ++i)
        if (!(zs[i] > zs[i - 1]))
            throw py::value_error("positions: sample " + std::to_string(i + 1) +
                                  " does not lie above the one before");
    const tuning::AgeModel m = tuning::ageModel(zs, t, period, startAge);
    const tuning::TunedSeries tuned =
        tuning::tunedSeries(m, std::vector<double>(v.data(), v.data() + v.size()), s);
    const auto array = [](const std::vector<double>& a) {
        return py::array_t<double>(static_cast<py::ssize_t>(a.size()), a.data());
    };
    py::dict d;
    d["position"] = array(m.position);
    d["age"] = array(m.age);
    d["sedimentation_rate"] = array(m.rate);
    d["tuned_age"] = array(tuned.age);
    d["tuned_value"] = array(tuned.value);
    return d;
}

const char* tuneDoc = R"(The age model and tuned series of a traced cycle, as ``tonalith-cli
tune`` makes them.

Between the trace's points the frequency is linear in position, held at the ends;
age(z) = start_age + period x the integral of the frequency from the first position to z; the
sedimentation rate is 1 / (period x f(z)).

Parameters
----------
positions, values : array_like
    The series (1-D, equal lengths, positions increasing).
trace_positions, trace_frequencies : array_like
    The traced line: positions increasing, frequencies above 0 (cycles per position unit), as
    `Analysis.trace` gives them.
period : float
    The cycle's period in age units (e.g. 41 for obliquity in kyr), above 0.
start_age : float
    The age of the first position.
step : float, optional
    When given, the tuned series is resampled linearly at start_age, start_age + step, ...

Returns
-------
dict
    1-D float64 arrays: position, age, sedimentation_rate, tuned_age, tuned_value.

Raises
------
ValueError
    Naming the argument at fault ("trace: row N ..." for the traced line).)";

} // namespace

void bindTune(py::module_& m) {
    m.def("tune", &tune, py::arg("positions"), py::arg("values"), py::arg("trace_positions"),
          py::arg("trace_frequencies"), py::kw_only(), py::arg("period"),
          py::arg("start_age") = 0.0, py::arg("step") = py::none(), tuneDoc);
}

} // namespace pymodule
