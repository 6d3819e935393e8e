// The colour maps the plot offers, each a Qwt colour map with fixed parameters.
#pragma once

#include "Qplot/QwtCompat62.h"

#include <qwt_color_map.h>

// Dark blue at 0 through cyan (0.1), green (0.15), yellow (0.2) and red (0.8) to white at 1.
class LinearColorMap : public QwtLinearColorMap {
public:
    explicit LinearColorMap(QwtColorMap::Format format);
    ~LinearColorMap() override;
};

// The whole hue circle at saturation 150 and value 200.
class HueColorMap : public QwtHueColorMap {
public:
    explicit HueColorMap(QwtColorMap::Format format);
    ~HueColorMap() override;
};

// Hue 220: saturation from 0 to 255 at full value.
class SaturationColorMap : public QwtSaturationValueColorMap {
public:
    explicit SaturationColorMap(QwtColorMap::Format format);
    ~SaturationColorMap() override;
};

// Hue 220: value from 70 to 255 at full saturation.
class ValueColorMap : public QwtSaturationValueColorMap {
public:
    explicit ValueColorMap(QwtColorMap::Format format);
    ~ValueColorMap() override;
};

// Hue 220: saturation from 100 and value from 70, both to 255.
class SVColorMap : public QwtSaturationValueColorMap {
public:
    explicit SVColorMap(QwtColorMap::Format format);
    ~SVColorMap() override;
};

// Steel blue with the opacity running over the range.
class AlphaColorMap : public QwtAlphaColorMap {
public:
    explicit AlphaColorMap(QwtColorMap::Format format);
    ~AlphaColorMap() override;
};

// Perceptually uniform, prints in grey: matplotlib's viridis (van der Walt and Smith, 2015),
// from its published table sampled at eight even steps.
class ViridisColorMap : public QwtLinearColorMap {
public:
    explicit ViridisColorMap(QwtColorMap::Format format);
    ~ViridisColorMap() override;
};

// Readable with red-green colour-vision deficiency: cividis (Nunez, Anderton and Renslow 2018,
// PLoS ONE 13(7): e0199239), from its published table sampled at six even steps.
class CividisColorMap : public QwtLinearColorMap {
public:
    explicit CividisColorMap(QwtColorMap::Format format);
    ~CividisColorMap() override;
};

// Black at 0 to white at 1.
class GreyscaleColorMap : public QwtLinearColorMap {
public:
    explicit GreyscaleColorMap(QwtColorMap::Format format);
    ~GreyscaleColorMap() override;
};

// The colour map of a plot_api.h colour-map code (the linear map for codes out of range).
QwtColorMap* newColorMap(int index);
