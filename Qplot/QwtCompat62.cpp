#include "Qplot/QwtCompat62.h"

#include <QColor>

#include <cmath>

#if QWT_VERSION < 0x060200

namespace {

// Position of value within interval in [0, 1]; NaN when it cannot be placed.
double ratioIn(const QwtInterval& interval, double value) {
    const double width = interval.width();
    if (!(width > 0.0) || std::isnan(value))
        return std::nan("");
    if (value <= interval.minValue())
        return 0.0;
    if (value >= interval.maxValue())
        return 1.0;
    return (value - interval.minValue()) / width;
}

} // namespace

QwtHueColorMap::QwtHueColorMap(QwtColorMap::Format format) : QwtColorMap(format) {}

void QwtHueColorMap::setHueInterval(int hue1, int hue2) {
    hue1_ = qMax(hue1, 0);
    hue2_ = qMax(hue2, 0);
}
void QwtHueColorMap::setSaturation(int saturation) {
    saturation_ = qBound(0, saturation, 255);
}
void QwtHueColorMap::setValue(int value) {
    value_ = qBound(0, value, 255);
}
void QwtHueColorMap::setAlpha(int alpha) {
    alpha_ = qBound(0, alpha, 255);
}

QRgb QwtHueColorMap::rgb(const QwtInterval& interval, double value) const {
    const double ratio = ratioIn(interval, value);
    if (std::isnan(ratio))
        return 0u;
    const int hue = (hue1_ + qRound(ratio * (hue2_ - hue1_))) % 360;
    return QColor::fromHsv(hue, saturation_, value_, alpha_).rgba();
}

unsigned char QwtHueColorMap::colorIndex(const QwtInterval& interval, double value) const {
    return static_cast<unsigned char>(QwtCompat::colorIndex(*this, 256, interval, value));
}

QwtSaturationValueColorMap::QwtSaturationValueColorMap() : QwtColorMap(QwtColorMap::RGB) {}

void QwtSaturationValueColorMap::setHue(int hue) {
    hue_ = hue % 360;
}
void QwtSaturationValueColorMap::setSaturationInterval(int s1, int s2) {
    sat1_ = qBound(0, s1, 255);
    sat2_ = qBound(0, s2, 255);
}
void QwtSaturationValueColorMap::setValueInterval(int v1, int v2) {
    value1_ = qBound(0, v1, 255);
    value2_ = qBound(0, v2, 255);
}
void QwtSaturationValueColorMap::setAlpha(int alpha) {
    alpha_ = qBound(0, alpha, 255);
}

QRgb QwtSaturationValueColorMap::rgb(const QwtInterval& interval, double value) const {
    const double ratio = ratioIn(interval, value);
    if (std::isnan(ratio))
        return 0u;
    const int s = sat1_ + qRound(ratio * (sat2_ - sat1_));
    const int v = value1_ + qRound(ratio * (value2_ - value1_));
    return QColor::fromHsv(hue_, s, v, alpha_).rgba();
}

unsigned char QwtSaturationValueColorMap::colorIndex(const QwtInterval& interval,
                                                     double value) const {
    return static_cast<unsigned char>(QwtCompat::colorIndex(*this, 256, interval, value));
}

#endif

namespace QwtCompat {

#if QWT_VERSION < 0x060200

QVector<QRgb> colorTable256(const QwtColorMap& map) {
    QVector<QRgb> table(256);
    const QwtInterval interval(0, 256);
    for (int i = 0; i < 256; ++i)
        table[i] = map.rgb(interval, i);
    return table;
}

QVector<QRgb> colorTable(const QwtColorMap& map, int numColors) {
    QVector<QRgb> table(qMax(numColors, 0));
    const QwtInterval interval(0.0, 1.0);
    const double step = numColors > 1 ? 1.0 / (numColors - 1) : 0.0;
    for (int i = 0; i < table.size(); ++i)
        table[i] = map.rgb(interval, step * i);
    return table;
}

QwtInterval interval(const QwtRasterData& data, Qt::Axis axis) {
    if (axis != Qt::XAxis && axis != Qt::YAxis && axis != Qt::ZAxis)
        return QwtInterval();
    return data.interval(axis);
}

bool testAttribute(const QwtRasterData& data, RasterAttribute attribute) {
    const auto* attributes = dynamic_cast<const QwtRasterDataAttributes*>(&data);
    return attributes && attributes->testAttribute(attribute);
}

#else

QVector<QRgb> colorTable256(const QwtColorMap& map) {
    return map.colorTable256();
}
QVector<QRgb> colorTable(const QwtColorMap& map, int numColors) {
    return map.colorTable(numColors);
}
QwtInterval interval(const QwtRasterData& data, Qt::Axis axis) {
    return data.interval(axis);
}
bool testAttribute(const QwtRasterData& data, RasterAttribute attribute) {
    return data.testAttribute(static_cast<QwtRasterData::Attribute>(attribute));
}

#endif

} // namespace QwtCompat
