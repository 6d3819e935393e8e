// A thin plot of the analysed series (values against position), shown above the map with
// the same horizontal range.
#pragma once

#include <qwt_plot.h>

class QwtPlotCurve;
class QwtPlotZoneItem;

class SeriesPlot : public QwtPlot {
    Q_OBJECT
public:
    explicit SeriesPlot(QWidget* parent = nullptr);

    void setSeries(const double* x, const double* y, int count);
    void setXRange(double min, double max);
    void setXReversed(bool reversed);
    // A second curve drawn over the series (a removed trend); count 0 removes it.
    void setOverlay(const double* x, const double* y, int count);
    // A band-passed series drawn over the series, shifted to `centre`, with its envelope
    // either side of centre; count 0 removes them.
    void setBandPass(const double* x, const double* filtered, const double* envelope, int count,
                     double centre);
    // The span of one window shaded (from > to: none).
    void setSpan(double from, double to);
    // Margins that put this plot's canvas right above the other's, edge on edge.
    void alignWith(const QWidget* otherCanvas);
    // Keeps aligned with that canvas whenever it or this plot changes size.
    void follow(QWidget* otherCanvas);
    QwtPlotCurve* curve() const { return curve_; }
    QwtPlotZoneItem* span() const { return span_; }
    QwtPlotCurve* overlay() const { return overlay_; }
    QwtPlotCurve* bandPass() const { return bandPass_; }
    QwtPlotCurve* envelope(int side) const { return envelope_[side]; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* followed_ = nullptr;
    QwtPlotCurve* curve_;
    QwtPlotCurve* overlay_;
    QwtPlotCurve* bandPass_;
    QwtPlotCurve* envelope_[2]; // above and below the centre
    QwtPlotZoneItem* span_;
};
