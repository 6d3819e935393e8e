#include "Qplot/TimeOptFigure.h"

#include "Qplot/FigureFile.h"
#include "Qplot/LogScaleEngine.h"

#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_renderer.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_scale_div.h>
#include <qwt_scale_engine.h>
#include <qwt_text.h>

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Rates span about a decade: labels at 1, 2 and 5 times the powers of ten (a logarithmic
// scale engine labels the powers alone), minor ticks at the other whole multiples.
QwtScaleDiv rateTicks(double low, double high) {
    QList<double> major, minor;
    for (double decade = std::pow(10.0, std::floor(std::log10(low))); decade <= high; decade *= 10)
        for (int m = 1; m <= 9; ++m) {
            const double v = m * decade;
            if (v >= low && v <= high)
                (m == 1 || m == 2 || m == 5 ? major : minor) << v;
        }
    return QwtScaleDiv(low, high, minor, QList<double>(), major);
}

} // namespace

TimeOptFigure::TimeOptFigure(QWidget* parent) : QWidget(parent) {
    title_ = new QLabel(this);
    title_->setWordWrap(true);
    plot_ = new QwtPlot(this);
    plot_->setCanvasBackground(Qt::white);
    plot_->setAxisScaleEngine(QwtPlot::xBottom, new LogScaleEngine());
    plot_->setAxisTitle(QwtPlot::xBottom, "Sedimentation rate (cm/kyr)");
    plot_->setAxisTitle(QwtPlot::yLeft, "Fraction of variance explained");
    plot_->setAxisScale(QwtPlot::yLeft, 0.0, 1.0);
    plot_->insertLegend(new QwtLegend(), QwtPlot::TopLegend);
    const char* names[3] = {"r2_envelope", "r2_power", "r2_opt"};
    const QPen pens[3] = {QPen(QColor(40, 150, 60), 1.2, Qt::DashLine),
                          QPen(QColor(20, 70, 160), 1.2, Qt::DashLine),
                          QPen(QColor(200, 30, 30), 2.0)};
    for (int i = 0; i < 3; ++i) {
        curves_[i] = new QwtPlotCurve(names[i]);
        curves_[i]->setPen(pens[i]);
        curves_[i]->setRenderHint(QwtPlotItem::RenderAntialiased, true);
        curves_[i]->attach(plot_);
    }
    optimum_ = new QwtPlotMarker();
    optimum_->setLineStyle(QwtPlotMarker::VLine);
    optimum_->setLinePen(QColor(90, 90, 90), 1.0, Qt::DotLine);
    optimum_->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    optimum_->attach(plot_);
    interval_ = new QwtPlotZoneItem();
    interval_->setOrientation(Qt::Vertical);
    interval_->setBrush(QColor(200, 30, 30, 45));
    interval_->setPen(QColor(200, 30, 30, 120), 0.8);
    interval_->setZ(1);
    interval_->setVisible(false);
    interval_->attach(plot_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title_);
    layout->addWidget(plot_, 1);
}

void TimeOptFigure::setData(const TimeOptFigureData& d, const QString& title) {
    title_->setText(title);
    const double* values[3] = {d.envelope, d.power, d.opt};
    for (int i = 0; i < 3; ++i)
        curves_[i]->setSamples(d.rate, values[i], d.count);
    QString text = QString("optimum %1 cm/kyr\nr2_opt %2")
                       .arg(d.optimum, 0, 'g', 4)
                       .arg(d.optimumR2, 0, 'g', 3);
    if (d.pValue >= 0)
        text += QString("\np = %1 (%2 simulations)").arg(d.pValue, 0, 'g', 3).arg(d.simulations);
    optimum_->setXValue(d.optimum);
    optimum_->setLabel(QwtText(text));
    // The label on the side of the marker with more room (the axis is logarithmic).
    const bool rightHalf = d.count > 0 && d.optimum * d.optimum > d.rate[0] * d.rate[d.count - 1];
    optimum_->setLabelAlignment((rightHalf ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignTop);
    if (d.count > 0)
        plot_->setAxisScaleDiv(QwtPlot::xBottom, rateTicks(d.rate[0], d.rate[d.count - 1]));
    plot_->replot();
}

void TimeOptFigure::setInterval(double low, double high, const QString& label) {
    const bool shown = std::isfinite(low) && std::isfinite(high) && low < high;
    interval_->setInterval(shown ? low : 0, shown ? high : 0);
    interval_->setTitle(label);
    interval_->setItemAttribute(QwtPlotItem::Legend, shown);
    interval_->setVisible(shown);
    plot_->replot();
}

double TimeOptFigure::intervalLow() const {
    return interval_->isVisible() ? interval_->interval().minValue() : 0;
}

double TimeOptFigure::intervalHigh() const {
    return interval_->isVisible() ? interval_->interval().maxValue() : 0;
}

QString TimeOptFigure::title() const {
    return title_->text();
}

QString TimeOptFigure::optimumText() const {
    return optimum_->label().text();
}

bool TimeOptFigure::write(const QString& fileName, double width, double height, QString* why) {
    return figure::write(
        fileName, width, height, title(),
        [this](QPainter* painter, const QRectF& r) {
            const double titleHeight = 0.06 * r.height();
            painter->drawText(QRectF(r.left(), r.top(), r.width(), titleHeight),
                              Qt::AlignCenter | Qt::TextWordWrap, title());
            QwtPlotRenderer().render(plot_, painter, r.adjusted(0, titleHeight, 0, 0));
        },
        why);
}
