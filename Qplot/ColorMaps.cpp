#include "Qplot/ColorMaps.h"

#include "Qplot/plot_api.h"

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

namespace {
// Even stops from a published table; the first and last entries are the map's ends.
template <std::size_t N> void addEvenStops(QwtLinearColorMap& map, const QRgb (&table)[N]) {
    for (std::size_t i = 1; i + 1 < N; ++i)
        map.addColorStop(static_cast<double>(i) / (N - 1), QColor(table[i]));
}
constexpr QRgb viridis[] = {0x440154, 0x46337e, 0x365c8d, 0x277f8e,
                            0x1fa187, 0x4ac16d, 0x9fda3a, 0xfde725};
constexpr QRgb cividis[] = {0x00224e, 0x35456c, 0x666970, 0x948e77, 0xc8b866, 0xfee838};
} // namespace

ViridisColorMap::ViridisColorMap(QwtColorMap::Format format)
    : QwtLinearColorMap(QColor(viridis[0]), QColor(viridis[7]), format) {
    addEvenStops(*this, viridis);
}
ViridisColorMap::~ViridisColorMap() = default;

CividisColorMap::CividisColorMap(QwtColorMap::Format format)
    : QwtLinearColorMap(QColor(cividis[0]), QColor(cividis[5]), format) {
    addEvenStops(*this, cividis);
}
CividisColorMap::~CividisColorMap() = default;

GreyscaleColorMap::GreyscaleColorMap(QwtColorMap::Format format)
    : QwtLinearColorMap(Qt::black, Qt::white, format) {}
GreyscaleColorMap::~GreyscaleColorMap() = default;

QwtColorMap* newColorMap(int index) {
    switch (index) {
    case PLOT_MAP_HUE:
        return new HueColorMap(QwtColorMap::RGB);
    case PLOT_MAP_SATURATION:
        return new SaturationColorMap(QwtColorMap::RGB);
    case PLOT_MAP_VALUE:
        return new ValueColorMap(QwtColorMap::RGB);
    case PLOT_MAP_SATURATION_VALUE:
        return new SVColorMap(QwtColorMap::RGB);
    case PLOT_MAP_ALPHA:
        return new AlphaColorMap(QwtColorMap::RGB);
    case PLOT_MAP_VIRIDIS:
        return new ViridisColorMap(QwtColorMap::RGB);
    case PLOT_MAP_CIVIDIS:
        return new CividisColorMap(QwtColorMap::RGB);
    case PLOT_MAP_GREYSCALE:
        return new GreyscaleColorMap(QwtColorMap::RGB);
    default:
        return new LinearColorMap(QwtColorMap::RGB);
    }
}
