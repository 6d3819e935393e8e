#include "Qplot/ColorMaps.h"

// Qwt 6.1 fixes a colour map's format at construction and has no setFormat(); the maps are
// built with the requested format instead. The alpha map is RGB by nature.

LinearColorMap::LinearColorMap(QwtColorMap::Format format)
    : QwtLinearColorMap(Qt::darkBlue, Qt::white, format) {
    addColorStop(0.1, Qt::cyan);
    addColorStop(0.15, Qt::green);
    addColorStop(0.2, Qt::yellow);
    addColorStop(0.8, Qt::red);
}
LinearColorMap::~LinearColorMap() = default;

HueColorMap::HueColorMap(QwtColorMap::Format format) : QwtHueColorMap(format) {
    setHueInterval(0, 359);
    setSaturation(150);
    setValue(200);
}
HueColorMap::~HueColorMap() = default;

SaturationColorMap::SaturationColorMap(QwtColorMap::Format) {
    setHue(220);
    setSaturationInterval(0, 255);
    setValueInterval(255, 255);
}
SaturationColorMap::~SaturationColorMap() = default;

ValueColorMap::ValueColorMap(QwtColorMap::Format) {
    setHue(220);
    setSaturationInterval(255, 255);
    setValueInterval(70, 255);
}
ValueColorMap::~ValueColorMap() = default;

SVColorMap::SVColorMap(QwtColorMap::Format) {
    setHue(220);
    setSaturationInterval(100, 255);
    setValueInterval(70, 255);
}
SVColorMap::~SVColorMap() = default;

AlphaColorMap::AlphaColorMap(QwtColorMap::Format) : QwtAlphaColorMap(Qt::gray) {
    QColor steelBlue;
    steelBlue.setNamedColor("SteelBlue");
    setColor(steelBlue);
}
AlphaColorMap::~AlphaColorMap() = default;
