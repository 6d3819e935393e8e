// What the evolutive astronomical test adds over its r2_opt map: the columns of the windows
// whose optimum is not significant, hatched and dimmed so that they stand apart, and each
// window's identified rate (the rate the lines and r2_opt agree on) marked beside the track
// of optima.
#pragma once

#include <QVector>

class QwtPlot;
class QwtPlotCurve;
class QwtPlotZoneItem;

class TestOverlay {
public:
    explicit TestOverlay(QwtPlot* plot);

    // Columns from from[i] to to[i] along the position axis (n = 0 clears).
    void setShadedColumns(const double* from, const double* to, int n);
    // A mark at (x[i], rate[i]) for each window (n = 0 clears).
    void setMarks(const double* x, const double* rate, int n);

    int shadedCount() const { return zones_.size() / 2; }
    // The shaded columns' extents, in the order given.
    double shadedFrom(int i) const;
    double shadedTo(int i) const;
    int markCount() const;

private:
    QwtPlot* plot_;
    QVector<QwtPlotZoneItem*> zones_; // two per column: the dimming, then the hatching
    QwtPlotCurve* marks_;
    QwtPlotCurve* markHalos_;
};
