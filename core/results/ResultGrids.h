// The map of one analysis: the engine's window-major rows reshaped into the two
// frequency-major matrices (amplitude and F-test probability) that the plot draws.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace results {

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

} // namespace results
