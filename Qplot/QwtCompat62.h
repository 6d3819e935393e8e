// What the plot layer takes from Qwt 6.2 and Debian's Qwt 6.1 lacks: the hue and
// saturation/value colour maps, colour tables of a chosen size with the matching colour index,
// the "without gaps" attribute of a raster data set, and a data set's interval asked for an
// axis that does not exist. With Qwt 6.2 these forward to Qwt's own API.
#pragma once

#include <qwt_color_map.h>
#include <qwt_global.h>
#include <qwt_interval.h>
#include <qwt_raster_data.h>

#include <QVector>

#include <cmath>

#if QWT_VERSION < 0x060200

// Hue over an interval at a fixed saturation and value (0..359, 0..255, 0..255).
class QwtHueColorMap : public QwtColorMap {
public:
    explicit QwtHueColorMap(QwtColorMap::Format format = QwtColorMap::RGB);
    void setHueInterval(int hue1, int hue2);
    void setSaturation(int saturation);
    void setValue(int value);
    void setAlpha(int alpha);
    QRgb rgb(const QwtInterval& interval, double value) const override;
    unsigned char colorIndex(const QwtInterval& interval, double value) const override;

private:
    int hue1_ = 0, hue2_ = 359, saturation_ = 255, value_ = 255, alpha_ = 255;
};

// A fixed hue with saturation and value each running over an interval (0..255).
class QwtSaturationValueColorMap : public QwtColorMap {
public:
    QwtSaturationValueColorMap();
    void setHue(int hue);
    void setSaturationInterval(int s1, int s2);
    void setValueInterval(int v1, int v2);
    void setAlpha(int alpha);
    QRgb rgb(const QwtInterval& interval, double value) const override;
    unsigned char colorIndex(const QwtInterval& interval, double value) const override;

private:
    int hue_ = 0, sat1_ = 255, sat2_ = 255, value1_ = 0, value2_ = 255, alpha_ = 255;
};

#endif

namespace QwtCompat {

// The 256 colours of an indexed map (values 0..255 of the interval [0, 256]).
QVector<QRgb> colorTable256(const QwtColorMap& map);

// numColors colours sampled evenly over the map's [0, 1].
QVector<QRgb> colorTable(const QwtColorMap& map, int numColors);

// Index into a table of numColors colours for value within interval (0 for NaN or an empty
// interval, clamped at both ends, rounded to the nearest entry). Inline: it runs per pixel.
inline uint colorIndex(const QwtColorMap& map, int numColors, const QwtInterval& interval,
                       double value) {
#if QWT_VERSION < 0x060200
    Q_UNUSED(map)
    const double width = interval.width();
    if (!(width > 0.0) || value != value || numColors < 1 || value <= interval.minValue())
        return 0;
    const int maxIndex = numColors - 1;
    if (value >= interval.maxValue())
        return static_cast<uint>(maxIndex);
    return static_cast<uint>(std::lround(maxIndex * ((value - interval.minValue()) / width)));
#else
    return map.colorIndex(numColors, interval, value);
#endif
}

// The data set's interval for an axis; an invalid interval for an axis other than x, y, z.
QwtInterval interval(const QwtRasterData& data, Qt::Axis axis);

enum RasterAttribute { WithoutGaps = 0x01 };

// Whether a data set declared that it has no gaps (NaN then goes to the colour map).
bool testAttribute(const QwtRasterData& data, RasterAttribute attribute);

} // namespace QwtCompat

#if QWT_VERSION < 0x060200
// Data sets of ours that declare attributes derive from this as well (Qwt 6.2 keeps them in
// QwtRasterData itself).
class QwtRasterDataAttributes {
public:
    virtual ~QwtRasterDataAttributes() = default;
    void setAttribute(QwtCompat::RasterAttribute attribute, bool on = true) {
        attributes_ = on ? (attributes_ | attribute) : (attributes_ & ~attribute);
    }
    bool testAttribute(QwtCompat::RasterAttribute attribute) const {
        return attributes_ & attribute;
    }

private:
    int attributes_ = 0;
};
#endif
