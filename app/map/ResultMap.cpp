#include "ResultMap.h"

#include "ResultSet.h"

#include <algorithm>

namespace resultmap {

namespace {
// The plot's integer codes used here.
constexpr int yLeft = 0;
constexpr int xBottom = 2;
constexpr int bilinear = 1;
constexpr int colours16384 = 3;
constexpr int linearMap = 0;
} // namespace

std::optional<Grids> reshape(const std::vector<double>& xcent, const std::vector<double>& freq,
                             const std::vector<double>& ampl, const std::vector<double>& prob) {
    Grids g;
    g.nfreq = results::distinctCount(freq);
    if (!freq.empty()) {
        const auto [flow, fhigh] = std::minmax_element(freq.begin(), freq.end());
        g.flow = *flow;
        g.fhigh = *fhigh;
        const auto [xmin, xmax] = std::minmax_element(xcent.begin(), xcent.end());
        g.xmin = *xmin;
        g.xmax = *xmax;
    }
    g.nx = results::distinctCount(xcent);
    // Centres or frequencies that coincide in double precision cannot be laid out as a grid.
    if (g.nfreq * g.nx != ampl.size())
        return std::nullopt;
    auto zgrid = results::transposeGrid(ampl, g.nfreq, g.nx);
    auto sgrid = zgrid ? results::transposeGrid(prob, g.nfreq, g.nx) : std::nullopt;
    if (!zgrid || !sgrid || zgrid->empty())
        return std::nullopt;
    g.zgrid = std::move(*zgrid);
    g.sgrid = std::move(*sgrid);
    return g;
}

void show(Plot* plot, const Grids& g, bool contours) {
    plotShowContour(plot, contours);
    const auto [zmin, zmax] = std::minmax_element(g.zgrid.begin(), g.zgrid.end());
    plotSetMatrixWithContours(plot, g.zgrid.data(), g.sgrid.data(),
                              static_cast<int64_t>(g.zgrid.size()), static_cast<int>(g.nx),
                              bilinear, g.xmin, g.xmax, g.flow, g.fhigh, *zmin, *zmax);
    plotSetAxisScale(plot, xBottom, g.xmin, g.xmax, 0);
    plotSetAxisScale(plot, yLeft, g.flow, g.fhigh, 0);
    static const double levels[] = {0.8, 0.9, 0.95, 0.99};
    plotSetContourLevels(plot, levels, 4);
    plotSetColorTableSize(plot, colours16384);
    plotSetColorMap(plot, linearMap);
}

} // namespace resultmap
