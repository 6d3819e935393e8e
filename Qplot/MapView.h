// The standard picture of one analysis, as the application shows it and the command-line
// tool draws it: a value per cell as colour (16384-colour table, bilinear resampling) and
// probability contours at the significance levels, through the entry points.
#pragma once

#include "Qplot/plot_api.h"

#include <cstdint>

struct MapMatrices {
    const double* image;       // the values coloured: one row per frequency, one per window
    const double* probability; // likewise
    int64_t count;             // values in each matrix
    int columns;               // windows
    double xmin, xmax;         // first and last window centre
    double ymin, ymax;         // lowest and highest frequency
};

struct MapStyle {
    int colorMap = PLOT_MAP_LINEAR;
    const char* colourBarTitle = nullptr; // null: the plot's own
    double maskLevel = 0;                 // cells of lower probability left transparent; 0: none
    const double* maskValues = nullptr;   // read by the mask instead of the probability
    bool reverseX = false;
};

// Each value is drawn over its own cell: the matrices span half a cell beyond the first and
// last centres, while the axes span the centres themselves.
void mapShow(Plot* plot, const MapMatrices& m, bool contours, const MapStyle& style = {});
