// What is drawn over the map for tuning: a traced line (a marker per window, filled where the
// F-test reaches the level, hollow where it does not, a cross where the point is flagged as a
// possible jump to another line), the band it was followed in, the interval of each point
// (shaded), and guide lines at target frequencies (level, or following a rate along the
// positions), each over a dark halo.
#pragma once

#include <QString>
#include <QVector>

class QwtPlot;
class QwtPlotCurve;
class QwtPlotIntervalCurve;
class QwtPlotMarker;

class TraceOverlay {
public:
    explicit TraceOverlay(QwtPlot* plot);

    // n points (n = 0 clears); band: the half-width drawn around the line (0: none).
    void setTrace(const double* x, const double* f, const unsigned char* significant, int n,
                  double band);
    // Points of the trace drawn as crosses in place of their marker (null or n = 0: none); a
    // new trace clears them.
    void setFlags(const unsigned char* flagged, int n);
    // Each point's interval, from low[i] to high[i], shaded (n must match the points, otherwise
    // none is drawn; a pair that is not finite leaves its point out); a new trace clears them.
    void setIntervals(const double* low, const double* high, int n);
    // The points whose interval is drawn.
    int intervalCount() const;
    void setGuides(const double* f, const QStringList& labels);
    // Guides that follow a rate along the positions in place of any guides: guide i through
    // (x[j], f[i * points + j]), labelled at its last point.
    void setGuideCurves(const double* x, const double* f, int points, const QStringList& labels);

    int pointCount() const { return x_.size(); }
    double pointX(int i) const { return x_[i]; }
    double pointF(int i) const { return f_[i]; }
    // The point within `pixels` of canvas position (px, py), or -1.
    int pointNear(const QwtPlot* plot, double px, double py, double pixels) const;
    // Shows point i at frequency f while it is dragged.
    void movePoint(int i, double f);
    int guideCount() const { return guides_.size(); }
    // Guide i's frequency at position x (a following guide's, linear between its points).
    double guideAt(int i, double x) const;
    // The points drawn as crosses.
    int flaggedCount() const;

private:
    void redraw();
    void clearGuides();
    // A guide's label (and, for a level guide, its line over its halo) at (x, f).
    void addGuideMarker(const QString& label, bool level, double x, double f);

    QwtPlot* plot_;
    QwtPlotCurve* line_;
    QwtPlotCurve* lineHalo_;
    QwtPlotCurve* weakHalo_;
    QwtPlotCurve* significant_;
    QwtPlotCurve* weak_;
    QwtPlotCurve* flaggedHalo_;
    QwtPlotCurve* flagged_;
    QwtPlotCurve* upper_;
    QwtPlotCurve* lower_;
    QwtPlotIntervalCurve* intervals_;
    QVector<double> x_, f_, low_, high_;
    QVector<unsigned char> strong_;
    QVector<unsigned char> flags_;
    double band_ = 0;
    QVector<QwtPlotMarker*> guides_;
    QVector<QwtPlotMarker*> guideHalos_;
    QVector<QwtPlotCurve*> guideCurves_; // with their halos, two per following guide
};
