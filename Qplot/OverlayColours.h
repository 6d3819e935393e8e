// The colours of what is drawn over the map: contour lines that stand out from the colour map
// under them, and a dark halo under the light lines, points and labels of tuning, so that they
// read on the light end of a map and under the mask as well as on its dark end.
#pragma once

#include <QColor>

// The contour lines over colour map `index` (plot_api.h codes): black on the linear, hue,
// saturation, value, saturation-value and alpha maps; on the others the candidate colour
// farthest from every colour of the map.
QColor contourColour(int index);

// The least distance between c and the colours of map `index` over its range, in weighted RGB
// (the "redmean" approximation of perceived difference; 0 to about 765).
double leastDistanceToMap(const QColor& c, int index);

// Drawn wider, under a light line, point or label.
QColor haloColour();
