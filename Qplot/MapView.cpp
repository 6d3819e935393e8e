#include "Qplot/MapView.h"

#include "core/results/SignificanceLevels.h"

#include <algorithm>

void mapShow(Plot* plot, const MapMatrices& m, bool contours) {
    plotShowContour(plot, contours);
    const auto [zmin, zmax] = std::minmax_element(m.amplitude, m.amplitude + m.count);
    plotSetMatrixWithContours(plot, m.amplitude, m.probability, m.count, m.columns, PLOT_BILINEAR,
                              m.xmin, m.xmax, m.ymin, m.ymax, *zmin, *zmax);
    plotSetAxisScale(plot, PLOT_X_BOTTOM, m.xmin, m.xmax, 0);
    plotSetAxisScale(plot, PLOT_Y_LEFT, m.ymin, m.ymax, 0);
    const auto& levels = results::significanceLevels;
    plotSetContourLevels(plot, levels.data(), static_cast<int>(levels.size()));
    plotSetColorTableSize(plot, PLOT_TABLE_16384);
    plotSetColorMap(plot, PLOT_MAP_LINEAR);
}
