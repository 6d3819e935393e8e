// What tune() and tune_sedrate() share: the series' checks, the resampling step, a table given
// either as a structured array (as the module's functions return it) or as separate columns,
// and the age model and tuned series as Python sees them.
#pragma once

#include "core/tuning/AgeModel.h"

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

namespace pymodule {

// The positions (strictly increasing, as many as the values) and the values.
struct TuningSeries {
    std::vector<double> positions, values;
};
TuningSeries tuningSeries(const pybind11::object& positions, const pybind11::object& values);

// The resampling step of the tuned series: 0 for None, else a finite number above 0.
double tuningStep(const pybind11::object& step);

// Two columns of a table: the fields firstField and secondField of `first` when it is a
// structured array (`second` must then be None), else `first` and `second` as given. `names`
// words the refusals.
struct TableColumns {
    pybind11::object first, second;
    bool structured = false;
};
TableColumns tableColumns(const pybind11::object& first, const pybind11::object& second,
                          const char* firstField, const char* secondField,
                          const std::string& names);

// The model and the tuned series in a dict of arrays; RuntimeError when a number is not finite.
pybind11::dict tuningResult(const tuning::AgeModel& m, const tuning::TunedSeries& tuned);

} // namespace pymodule
