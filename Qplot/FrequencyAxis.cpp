#include "Qplot/FrequencyAxis.h"

#include "Qplot/PeriodScaleDraw.h"

#include <qwt_plot.h>
#include <qwt_scale_engine.h>

FrequencyAxis::FrequencyAxis(const QList<QwtPlot*>& panels) : panels_(panels) {}

void FrequencyAxis::setRange(const double* frequency, int count) {
    if (count > 0) {
        low_ = frequency[0];
        high_ = frequency[count - 1];
        lowPositive_ = high_;
        for (int i = 0; i < count; ++i)
            if (frequency[i] > 0) {
                lowPositive_ = frequency[i];
                break;
            }
    }
    apply();
}

void FrequencyAxis::setStyle(bool periods, bool logarithmic) {
    logarithmic_ = logarithmic;
    for (QwtPlot* plot : panels_) {
        plot->setAxisScaleDraw(QwtPlot::xBottom,
                               periods ? new PeriodScaleDraw() : new QwtScaleDraw());
        plot->setAxisScaleEngine(QwtPlot::xBottom,
                                 logarithmic ? static_cast<QwtScaleEngine*>(new QwtLogScaleEngine())
                                             : new QwtLinearScaleEngine());
    }
    periods_ = periods;
    setTitle();
    apply();
}

void FrequencyAxis::setUnit(const QString& unit) {
    unit_ = unit;
    setTitle();
    panels_.back()->replot();
}

void FrequencyAxis::setTitle() {
    const QString title = unit_.isEmpty() ? QString(periods_ ? "Period" : "Frequency")
                          : periods_      ? "Period (" + unit_ + ")"
                                          : "Frequency (cycles/" + unit_ + ")";
    panels_.back()->setAxisTitle(QwtPlot::xBottom, title);
}

void FrequencyAxis::apply() {
    const double lo = logarithmic_ ? lowPositive_ : low_;
    for (QwtPlot* plot : panels_) {
        plot->setAxisScale(QwtPlot::xBottom, lo, high_);
        plot->replot();
    }
}
