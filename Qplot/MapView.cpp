#include "Qplot/MapView.h"

#include "core/results/SignificanceLevels.h"

#include <algorithm>

namespace {

// Half the spacing of n evenly spaced centres from lo to hi (none for a single centre).
double halfCell(double lo, double hi, int64_t n) {
    return n > 1 ? 0.5 * (hi - lo) / static_cast<double>(n - 1) : 0.0;
}
} // namespace

void mapShow(Plot* plot, const MapMatrices& m, bool contours, const MapStyle& style) {
    const auto& levels = results::significanceLevels;
    plotSetContourLevels(plot, levels.data(), static_cast<int>(levels.size()));
    plotShowContour(plot, contours);
    const auto [zmin, zmax] = std::minmax_element(m.image, m.image + m.count);
    const int64_t rows = m.columns > 0 ? m.count / m.columns : 0;
    const double dx = halfCell(m.xmin, m.xmax, m.columns);
    const double dy = halfCell(m.ymin, m.ymax, rows);
    plotSetMatrixWithContours(plot, m.image, m.probability, m.count, m.columns, PLOT_BILINEAR,
                              m.xmin - dx, m.xmax + dx, m.ymin - dy, m.ymax + dy, *zmin, *zmax);
    plotSetAxisScale(plot, PLOT_X_BOTTOM, m.xmin, m.xmax, 0);
    plotSetAxisScale(plot, PLOT_Y_LEFT, m.ymin, m.ymax, 0);
    plotSetColorTableSize(plot, PLOT_TABLE_16384);
    if (style.colourBarTitle)
        plotSetAxisTitle(plot, PLOT_Y_RIGHT, style.colourBarTitle);
    plotSetAxisReversed(plot, PLOT_X_BOTTOM, style.reverseX);
    if (style.maskValues)
        plotSetMaskValues(plot, style.maskValues, m.count);
    plotSetMaskLevel(plot, style.maskLevel);
    plotSetColorMap(plot, style.colorMap);
}
