// The map of one analysis: the engine's window-major rows reshaped into the two
// frequency-major matrices (amplitude and F-test probability) and handed to the plot through
// its entry points, as the application shows them and the command-line tool draws them.
#pragma once

#include "plot_api.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace resultmap {

struct Grids {
    std::vector<double> zgrid; // amplitude, one row per frequency, one column per window
    std::vector<double> sgrid; // probability, likewise
    std::size_t nfreq = 0;     // distinct frequencies
    std::size_t nx = 0;        // distinct window centres
    double xmin = 0, xmax = 0, flow = 0, fhigh = 0;
};

// Nothing when the rows are not exactly the distinct frequencies x distinct centres they hold
// (centres or frequencies that coincide in double precision), or hold none.
std::optional<Grids> reshape(const std::vector<double>& xcent, const std::vector<double>& freq,
                             const std::vector<double>& ampl, const std::vector<double>& prob);

// The hand-off: contours on or off, both matrices with their ranges, the axis scales, the
// levels 0.8, 0.9, 0.95 and 0.99, the 16384-colour table and the linear colour map.
void show(Plot* plot, const Grids& grids, bool contours);

} // namespace resultmap
