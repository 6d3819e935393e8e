#include "Qplot/TonalithData.h"

TonalithData::TonalithData() {
    intervals_[Qt::XAxis] = QwtInterval(-1.5, 1.5);
    intervals_[Qt::YAxis] = QwtInterval(-1.5, 1.5);
    intervals_[Qt::ZAxis] = QwtInterval(0.0, 10.0);
#if QWT_VERSION < 0x060200
    // Qwt 6.1 reads the intervals from the base class (its interval() is not virtual).
    for (Qt::Axis axis : {Qt::XAxis, Qt::YAxis, Qt::ZAxis})
        QwtRasterData::setInterval(axis, intervals_[axis]);
#endif
}

TonalithData::~TonalithData() = default;

QwtInterval TonalithData::interval(Qt::Axis axis) const {
    if (axis != Qt::XAxis && axis != Qt::YAxis && axis != Qt::ZAxis)
        return QwtInterval();
    return intervals_[axis];
}

double TonalithData::value(double x, double y) const {
    if (valueFunction_)
        return valueFunction_(x, y);
    // A test surface with two poles at (0, +-0.842); no guard: the poles are +infinity.
    const double c = 0.842;
    const double u = (y - c) * (y + c) + x * x;
    const double w = x * (y + c) + x * (y + c);
    return 1.0 / (w * w + u * u);
}
