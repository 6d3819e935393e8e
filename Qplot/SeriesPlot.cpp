#include "Qplot/SeriesPlot.h"

#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_engine.h>
#include <qwt_scale_widget.h>

SeriesPlot::SeriesPlot(QWidget* parent)
    : QwtPlot(parent), curve_(new QwtPlotCurve()), overlay_(new QwtPlotCurve()) {
    auto* canvas = new QwtPlotCanvas();
    canvas->setBorderRadius(3.0);
    setCanvas(canvas);
    setAxisTitle(yLeft, "Value");
    enableAxis(xBottom, false);
    // Room on the right as wide as the map's colour bar, so that both x axes line up.
    enableAxis(yRight, true);
    axisWidget(yRight)->setColorBarEnabled(true);
    axisWidget(yRight)->scaleDraw()->enableComponent(QwtAbstractScaleDraw::Labels, false);
    setAxisMaxMajor(yLeft, 3);
    curve_->setPen(QColor(30, 60, 120), 1.0);
    curve_->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    curve_->attach(this);
    overlay_->setPen(QColor(200, 40, 40), 1.5);
    overlay_->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    overlay_->attach(this);
    setMinimumHeight(70);
}

void SeriesPlot::setSeries(const double* x, const double* y, int count) {
    curve_->setSamples(x, y, count);
    setAxisAutoScale(yLeft);
    replot();
}

void SeriesPlot::setXRange(double min, double max) {
    setAxisScale(xBottom, min, max);
    replot();
}

void SeriesPlot::setXReversed(bool reversed) {
    axisScaleEngine(xBottom)->setAttribute(QwtScaleEngine::Inverted, reversed);
    replot();
}

void SeriesPlot::setOverlay(const double* x, const double* y, int count) {
    overlay_->setSamples(x, y, count);
    setAxisAutoScale(yLeft);
    replot();
}
