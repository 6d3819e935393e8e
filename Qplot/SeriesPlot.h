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
    QwtPlotCurve* curve() const { return curve_; }

private:
    QwtPlotCurve* curve_;
};
