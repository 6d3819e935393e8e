#include "python/extension/TuningArguments.h"

#include "core/text/NumberText.h"
#include "core/tuning/TraceFile.h"
#include "python/extension/Refusals.h"
#include "python/extension/SeriesArguments.h"

#include <pybind11/numpy.h>

#include <cmath>
#include <stdexcept>

namespace py = pybind11;

namespace pymodule {

TuningSeries tuningSeries(const py::object& positions, const py::object& values) {
    const Doubles z = seriesArray(positions, "positions");
    const Doubles v = seriesArray(values, "values");
    if (z.size() != v.size() || z.size() < 1)
        throw py::value_error("positions, values: the lengths differ or are 0");
    TuningSeries s{{z.data(), z.data() + z.size()}, {v.data(), v.data() + v.size()}};
    for (std::size_t i = 1; i < s.positions.size(); ++i)
        if (!(s.positions[i] > s.positions[i - 1]))
            throw py::value_error("positions: sample " + std::to_string(i + 1) +
                                  " does not lie above the one before");
    return s;
}

double tuningStep(const py::object& step) {
    if (step.is_none())
        return 0;
    const double s = step.cast<double>();
    if (!(s > 0) || !std::isfinite(s))
        throw py::value_error("step: " + text::writtenNumber(s) + " must be a number above 0");
    return s;
}

TableColumns tableColumns(const py::object& first, const py::object& second, const char* firstField,
                          const char* secondField, const std::string& names) {
    const py::object fields =
        py::hasattr(first, "dtype") ? first.attr("dtype").attr("names") : py::object(py::none());
    if (fields.is_none()) {
        if (second.is_none())
            throw py::value_error(names +
                                  ": give both columns, or a structured array with the "
                                  "fields " +
                                  firstField + " and " + secondField);
        return {first, second, false};
    }
    if (!second.is_none())
        throw py::value_error(names + ": a structured array holds both columns; give it alone");
    for (const char* field : {firstField, secondField})
        if (!fields.contains(field))
            throw py::value_error(names + ": the structured array has no field " + field);
    return {first[firstField], first[secondField], true};
}

py::dict tuningResult(const tuning::AgeModel& m, const tuning::TunedSeries& tuned) {
    if (!tuning::tuningFinite(m, tuned))
        throw std::runtime_error("the age model is not finite for these settings");
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

} // namespace pymodule
