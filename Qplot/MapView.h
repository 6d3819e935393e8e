// The standard picture of one analysis, as the application shows it and the command-line
// tool draws it: amplitude as colour (16384-colour table, linear map, bilinear resampling) and
// probability contours at the significance levels, through the entry points.
#pragma once

#include "Qplot/plot_api.h"

#include <cstdint>

struct MapMatrices {
    const double* amplitude;   // one row per frequency, one column per window
    const double* probability; // likewise
    int64_t count;             // values in each matrix
    int columns;               // windows
    double xmin, xmax;         // first and last window centre
    double ymin, ymax;         // lowest and highest frequency
};

void mapShow(Plot* plot, const MapMatrices& m, bool contours);
