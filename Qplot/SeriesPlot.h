// A thin plot of the analysed series (values against position), shown above the map with
// the same horizontal range.
#pragma once

#include <qwt_plot.h>

class QwtPlotCurve;

class SeriesPlot : public QwtPlot {
    Q_OBJECT
public:
    explicit SeriesPlot(QWidget* parent = nullptr);

    void setSeries(const double* x, const double* y, int count);
    void setXRange(double min, double max);
    void setXReversed(bool reversed);
    // A second curve drawn over the series (a removed trend); count 0 removes it.
    void setOverlay(const double* x, const double* y, int count);
    QwtPlotCurve* curve() const { return curve_; }
    QwtPlotCurve* overlay() const { return overlay_; }

private:
    QwtPlotCurve* curve_;
    QwtPlotCurve* overlay_;
};
