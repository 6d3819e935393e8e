#include "Qplot/AgeModelPlot.h"

#include "Qplot/StackedPanel.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <QVBoxLayout>

namespace {

QwtPlot* newPanel(QWidget* parent, const QString& title, QwtPlotCurve*& curve,
                  const QColor& colour) {
    QwtPlot* plot = newStackedPanel(parent, title, 50);
    plot->setAxisMaxMajor(QwtPlot::yLeft, 3); // short panels: few labels
    curve = new QwtPlotCurve();
    curve->setPen(colour, 1.5);
    curve->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    curve->attach(plot);
    return plot;
}

} // namespace

AgeModelPlot::AgeModelPlot(QWidget* parent) : QWidget(parent) {
    rate_ = newPanel(this, "Sedimentation rate", rateCurve_, QColor(20, 120, 60));
    age_ = newPanel(this, "Age", ageCurve_, QColor(20, 70, 160));
    rate_->enableAxis(QwtPlot::xBottom, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(rate_, 1);
    layout->addWidget(age_, 1);
}

void AgeModelPlot::setModel(const double* position, const double* age, const double* rate, int n,
                            const QString& unit) {
    rateCurve_->setSamples(position, rate, n);
    ageCurve_->setSamples(position, age, n);
    const QString u = unit.isEmpty() ? QString("position units") : unit;
    rate_->setAxisTitle(QwtPlot::yLeft, "Rate (" + u + "/time)");
    age_->setAxisTitle(QwtPlot::xBottom, u);
    for (QwtPlot* p : {rate_, age_}) {
        if (n > 0)
            p->setAxisScale(QwtPlot::xBottom, position[0], position[n - 1]);
        else
            p->setAxisAutoScale(QwtPlot::xBottom); // no model: no axis of an old one
        p->replot();
    }
}

void AgeModelPlot::setTitles(const QString& position, const QString& rate, const QString& age) {
    rate_->setAxisTitle(QwtPlot::xBottom, position);
    age_->setAxisTitle(QwtPlot::xBottom, position);
    rate_->setAxisTitle(QwtPlot::yLeft, rate);
    age_->setAxisTitle(QwtPlot::yLeft, age);
    rate_->replot();
    age_->replot();
}

int AgeModelPlot::pointCount() const {
    return static_cast<int>(ageCurve_->dataSize());
}
