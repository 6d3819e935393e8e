#include "Qplot/LogScaleEngine.h"

#include <qwt_scale_div.h>

#include <algorithm>
#include <cmath>

namespace {

// m x 10^k for every k whose multiples can fall in [low, high] and every m in `multiples`.
QList<double> multiplesWithin(double low, double high, std::initializer_list<int> multiples) {
    QList<double> ticks;
    const double slack = 1e-9;
    for (int k = static_cast<int>(std::floor(std::log10(low)));
         k <= static_cast<int>(std::ceil(std::log10(high))); ++k)
        for (int m : multiples) {
            const double v = m * std::pow(10.0, k);
            if (v >= low * (1 - slack) && v <= high * (1 + slack))
                ticks << v;
        }
    return ticks;
}

} // namespace

QwtScaleDiv LogScaleEngine::divideScale(double x1, double x2, int maxMajorSteps, int maxMinorSteps,
                                        double stepSize) const {
    const double low = std::min(x1, x2), high = std::max(x1, x2);
    if (!(low > 0) || !(high / low < 100))
        return QwtLogScaleEngine::divideScale(x1, x2, maxMajorSteps, maxMinorSteps, stepSize);
    QList<double> ticks[QwtScaleDiv::NTickTypes];
    ticks[QwtScaleDiv::MajorTick] = multiplesWithin(low, high, {1, 2, 5});
    if (ticks[QwtScaleDiv::MajorTick].size() < 2)
        ticks[QwtScaleDiv::MajorTick] = multiplesWithin(low, high, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    for (double v : multiplesWithin(low, high, {1, 2, 3, 4, 5, 6, 7, 8, 9}))
        if (!ticks[QwtScaleDiv::MajorTick].contains(v))
            ticks[QwtScaleDiv::MinorTick] << v;
    QwtScaleDiv div(low, high, ticks);
    if (x1 > x2)
        div.invert();
    return div;
}
