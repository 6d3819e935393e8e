// Series given as Python arrays: converted to doubles, checked and prepared as the tool prepares
// a series read from a file.
#pragma once

#include "core/analysis/RunPreparation.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>

namespace pymodule {

using Doubles = pybind11::array_t<double, pybind11::array::c_style | pybind11::array::forcecast>;

// A one-dimensional array of doubles from any array-like of real numbers; TypeError or
// ValueError naming the argument otherwise (complex and boolean arrays are refused).
Doubles seriesArray(const pybind11::object& obj, const char* name);

// window_detrend= as the run takes it; ValueError naming the argument otherwise.
analysis::WindowDetrend windowDetrendArgument(const std::string& text);

// ValueError unless workers lies in the tool's range, 0 (one per core) .. service::maxWorkers.
void checkWorkers(int workers);

// The arrays as a series, prepared as the request says (its interpolation and preparation set
// from the arguments): refusals as ValueError naming the argument. An unevenly spaced series
// is refused unless resampled, also one prepared alone (seriesOnly, for the astronomical test).
analysis::PreparedRun prepareArrays(const pybind11::object& positions,
                                    const pybind11::object& values, analysis::RunRequest& request,
                                    const pybind11::object& interpolate, bool log,
                                    const std::string& detrend, bool standardise);

} // namespace pymodule
