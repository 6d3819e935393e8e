#include "Qplot/AgeModelPlot.h"

#include "Qplot/StackedPanel.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_intervalcurve.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_scale_map.h>

#include <QMouseEvent>
#include <QPen>
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
    band_ = new QwtPlotIntervalCurve();
    band_->setPen(QPen(Qt::NoPen));
    band_->setBrush(QColor(20, 70, 160, 60));
    band_->setZ(ageCurve_->z() - 1);
    band_->attach(age_);
    median_ = new QwtPlotCurve();
    median_->setPen(QColor(20, 70, 160), 1, Qt::DashLine);
    median_->attach(age_);
    age_->canvas()->installEventFilter(this);
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

void AgeModelPlot::setBand(const double* position, const double* low, const double* median,
                           const double* high, int n) {
    QVector<QwtIntervalSample> samples;
    samples.reserve(n);
    for (int i = 0; i < n; ++i)
        samples.append(QwtIntervalSample(position[i], low[i], high[i]));
    band_->setSamples(samples);
    median_->setSamples(position, median, n);
    age_->replot();
}

int AgeModelPlot::bandSize() const {
    return static_cast<int>(band_->dataSize());
}

void AgeModelPlot::setStretches(const double* first, const double* last, int n) {
    for (QwtPlotZoneItem* z : zones_)
        delete z; // detaches itself
    zones_.clear();
    for (int i = 0; i < n; ++i)
        for (QwtPlot* p : {rate_, age_}) {
            auto* z = new QwtPlotZoneItem();
            z->setOrientation(Qt::Vertical);
            z->setInterval(first[i], last[i]);
            z->setBrush(QColor(200, 60, 40, 50));
            z->setPen(QColor(200, 60, 40), 1, Qt::DotLine);
            z->attach(p);
            zones_.push_back(z);
        }
    rate_->replot();
    age_->replot();
}

void AgeModelPlot::setClickCallback(void* ctx, void (*clicked)(void* ctx, double position)) {
    clickContext_ = ctx;
    clicked_ = clicked;
}

bool AgeModelPlot::eventFilter(QObject* watched, QEvent* event) {
    if (watched == age_->canvas() && event->type() == QEvent::MouseButtonRelease) {
        const auto* click = static_cast<QMouseEvent*>(event);
        if (click->button() == Qt::LeftButton && ageCurve_->dataSize() > 0 && clicked_)
            clicked_(clickContext_,
                     age_->canvasMap(QwtPlot::xBottom).invTransform(click->pos().x()));
    }
    return QWidget::eventFilter(watched, event);
}

int AgeModelPlot::pointCount() const {
    return static_cast<int>(ageCurve_->dataSize());
}
