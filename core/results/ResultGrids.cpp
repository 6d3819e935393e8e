#include "core/results/ResultGrids.h"

#include "core/results/ResultSet.h"

#include <algorithm>

namespace results {

std::optional<Grids> reshape(const std::vector<double>& xcent, const std::vector<double>& freq,
                             const std::vector<double>& ampl, const std::vector<double>& prob) {
    Grids g;
    g.nfreq = distinctCount(freq);
    if (!freq.empty()) {
        const auto [flow, fhigh] = std::minmax_element(freq.begin(), freq.end());
        g.flow = *flow;
        g.fhigh = *fhigh;
        const auto [xmin, xmax] = std::minmax_element(xcent.begin(), xcent.end());
        g.xmin = *xmin;
        g.xmax = *xmax;
    }
    g.nx = distinctCount(xcent);
    // Centres or frequencies that coincide in double precision cannot be laid out as a grid.
    if (g.nfreq * g.nx != ampl.size())
        return std::nullopt;
    auto zgrid = transposeGrid(ampl, g.nfreq, g.nx);
    auto sgrid = zgrid ? transposeGrid(prob, g.nfreq, g.nx) : std::nullopt;
    if (!zgrid || !sgrid || zgrid->empty())
        return std::nullopt;
    g.zgrid = std::move(*zgrid);
    g.sgrid = std::move(*sgrid);
    return g;
}

} // namespace results
