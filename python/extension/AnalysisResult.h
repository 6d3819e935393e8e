// The results of analyze() as Python sees them: the engine's rows and the series it analysed,
// with the settings of the run.
#pragma once

#include "core/results/ResultSet.h"

#include <pybind11/pybind11.h>

namespace pymodule {

struct Analysis {
    results::ResultSet r; // the rows as the engine wrote them, and the series it analysed
    pybind11::dict parameters;
};

} // namespace pymodule
