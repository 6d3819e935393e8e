#include "Qplot/SeriesPlot.h"

#include "Qplot/AxisDirection.h"

#include <algorithm>

#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_zoneitem.h>

#include <QEvent>
#include <QVector>
#include <qwt_scale_engine.h>
#include <qwt_scale_widget.h>

SeriesPlot::SeriesPlot(QWidget* parent)
    : QwtPlot(parent), curve_(new QwtPlotCurve()), overlay_(new QwtPlotCurve()),
      bandPass_(new QwtPlotCurve()), envelope_{new QwtPlotCurve(), new QwtPlotCurve()},
      span_(new QwtPlotZoneItem()) {
    span_->setOrientation(Qt::Vertical);
    span_->setBrush(QColor(255, 170, 0, 70));
    span_->setVisible(false);
    span_->attach(this);
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
    bandPass_->setPen(QColor(20, 140, 60), 1.2);
    bandPass_->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    bandPass_->attach(this);
    for (QwtPlotCurve* side : envelope_) {
        side->setPen(QColor(230, 120, 0), 1.5);
        side->setRenderHint(QwtPlotItem::RenderAntialiased, true);
        side->attach(this);
    }
    setMinimumHeight(70);
}

void SeriesPlot::setSeries(const double* x, const double* y, int count) {
    curve_->setSamples(x, y, count);
    setAxisAutoScale(yLeft);
    replot();
}

void SeriesPlot::setXRange(double min, double max) {
    setAxisScale(xBottom, min, max);
    keepAxisDirection(this, xBottom);
    replot();
}

void SeriesPlot::setXReversed(bool reversed) {
    setAxisDirection(this, xBottom, reversed);
    replot();
}

void SeriesPlot::setOverlay(const double* x, const double* y, int count) {
    overlay_->setSamples(x, y, count);
    setAxisAutoScale(yLeft);
    replot();
}

void SeriesPlot::setBandPass(const double* x, const double* filtered, const double* envelope,
                             int count, double centre) {
    const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
    QVector<double> positions(static_cast<int>(n)), shifted(static_cast<int>(n)),
        upper(static_cast<int>(n)), lower(static_cast<int>(n));
    for (std::size_t i = 0; i < n; ++i) {
        const int k = static_cast<int>(i);
        positions[k] = x[i];
        shifted[k] = centre + filtered[i];
        upper[k] = centre + envelope[i];
        lower[k] = centre - envelope[i];
    }
    bandPass_->setSamples(positions, shifted);
    envelope_[0]->setSamples(positions, upper);
    envelope_[1]->setSamples(positions, lower);
    setAxisAutoScale(yLeft);
    replot();
}

void SeriesPlot::setSpan(double from, double to) {
    span_->setVisible(from <= to);
    if (from <= to)
        span_->setInterval(from, to);
    replot();
}

void SeriesPlot::alignWith(const QWidget* otherCanvas) {
    if (!otherCanvas || !otherCanvas->isVisible() || !isVisible())
        return;
    const QRect there(otherCanvas->mapToGlobal(QPoint(0, 0)), otherCanvas->size());
    const QRect here(canvas()->mapToGlobal(QPoint(0, 0)), canvas()->size());
    const QMargins m = contentsMargins();
    const int left = std::max(0, m.left() + there.left() - here.left());
    const int right = std::max(0, m.right() + here.right() - there.right());
    if (left != m.left() || right != m.right())
        setContentsMargins(left, m.top(), right, m.bottom());
}

void SeriesPlot::follow(QWidget* otherCanvas) {
    followed_ = otherCanvas;
    otherCanvas->installEventFilter(this);
    alignWith(otherCanvas);
}

bool SeriesPlot::eventFilter(QObject* object, QEvent* event) {
    if (object == followed_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move ||
                                event->type() == QEvent::Show))
        alignWith(followed_);
    return QwtPlot::eventFilter(object, event);
}

void SeriesPlot::resizeEvent(QResizeEvent* event) {
    QwtPlot::resizeEvent(event);
    alignWith(followed_);
}
