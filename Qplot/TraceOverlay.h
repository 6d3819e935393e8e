// What is drawn over the map for tuning: a traced line (a marker per window, filled where the
// F-test reaches the level, hollow where it does not), the band it was followed in, and
// horizontal guide lines at target frequencies, each over a dark halo.
#pragma once

#include <QString>
#include <QVector>

class QwtPlot;
class QwtPlotCurve;
class QwtPlotMarker;

class TraceOverlay {
public:
    explicit TraceOverlay(QwtPlot* plot);

    // n points (n = 0 clears); band: the half-width drawn around the line (0: none).
    void setTrace(const double* x, const double* f, const unsigned char* significant, int n,
                  double band);
    void setGuides(const double* f, const QStringList& labels);

    int pointCount() const { return x_.size(); }
    double pointX(int i) const { return x_[i]; }
    double pointF(int i) const { return f_[i]; }
    // The point within `pixels` of canvas position (px, py), or -1.
    int pointNear(const QwtPlot* plot, double px, double py, double pixels) const;
    // Shows point i at frequency f while it is dragged.
    void movePoint(int i, double f);
    int guideCount() const { return guides_.size(); }

private:
    void redraw();

    QwtPlot* plot_;
    QwtPlotCurve* line_;
    QwtPlotCurve* lineHalo_;
    QwtPlotCurve* weakHalo_;
    QwtPlotCurve* significant_;
    QwtPlotCurve* weak_;
    QwtPlotCurve* upper_;
    QwtPlotCurve* lower_;
    QVector<double> x_, f_;
    QVector<unsigned char> strong_;
    double band_ = 0;
    QVector<QwtPlotMarker*> guides_;
    QVector<QwtPlotMarker*> guideHalos_;
};
