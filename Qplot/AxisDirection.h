// The direction of an axis. Qwt's Inverted scale-engine attribute only steers autoscaling: a
// scale set by hand is divided in the order of its ends, so a reversed axis needs its ends
// given again, high to low.
#pragma once

class QwtPlot;

// Sets the axis's direction; a scale set by hand keeps its range and takes the direction.
void setAxisDirection(QwtPlot* plot, int axisId, bool reversed);

// Gives a scale set by hand its ends in the direction the axis's scale engine asks.
void keepAxisDirection(QwtPlot* plot, int axisId);
