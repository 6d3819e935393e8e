#include "Qplot/OverlayColours.h"

#include "Qplot/ColorMaps.h"
#include "Qplot/plot_api.h"

#include <qwt_interval.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

double distance(const QColor& a, const QColor& b) {
    const double r = 0.5 * (a.red() + b.red());
    const double dr = a.red() - b.red(), dg = a.green() - b.green(), db = a.blue() - b.blue();
    return std::sqrt((2 + r / 256) * dr * dr + 4 * dg * dg + (2 + (255 - r) / 256) * db * db);
}

} // namespace

double leastDistanceToMap(const QColor& c, int index) {
    const std::unique_ptr<QwtColorMap> map(newColorMap(index));
    const QwtInterval range(0, 1);
    double least = INFINITY;
    for (int i = 0; i <= 64; ++i)
        least = std::min(least, distance(c, QColor(map->rgb(range, i / 64.0))));
    return least;
}

QColor contourColour(int index) {
    if (index < PLOT_MAP_VIRIDIS || index > PLOT_MAP_GREYSCALE)
        return Qt::black;
    const QColor candidates[] = {Qt::magenta, Qt::red,   QColor(255, 127, 0),
                                 Qt::cyan,    Qt::white, Qt::black};
    return *std::max_element(std::begin(candidates), std::end(candidates),
                             [index](const QColor& a, const QColor& b) {
                                 return leastDistanceToMap(a, index) < leastDistanceToMap(b, index);
                             });
}

QColor haloColour() {
    return QColor(0, 0, 0, 170);
}
