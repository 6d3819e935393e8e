// Series given as Python arrays: converted to doubles, checked and prepared as the tool prepares
// a series read from a file.
#pragma once

#include "core/analysis/RunPreparation.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>

namespace pymodule {

using Doubles = pybind11::array_t<double, pybind11::array::c_style | pybind11::array::forcecast>;

// A one-dimensional array of doubles from any array-like of numbers; TypeError or ValueError
// naming the argument otherwise.
Doubles seriesArray(const pybind11::object& obj, const char* name);

// The arrays as a series, prepared as the request says (its interpolation and preparation set
// from the arguments): refusals as ValueError naming the argument, uneven spacing as a
// UserWarning.
analysis::PreparedRun prepareArrays(const pybind11::object& positions,
                                    const pybind11::object& values, analysis::RunRequest& request,
                                    const pybind11::object& interpolate, bool log,
                                    const std::string& detrend, bool standardise);

} // namespace pymodule
