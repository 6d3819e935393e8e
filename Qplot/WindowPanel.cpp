#include "Qplot/WindowPanel.h"

#include "Qplot/FrequencyAxis.h"
#include "Qplot/StackedPanel.h"
#include "core/results/SignificanceLevels.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>

#include <QLabel>
#include <QVBoxLayout>

#include <cmath>

namespace {

QwtPlotCurve* newCurve(QwtPlot* plot, const QColor& colour) {
    auto* curve = new QwtPlotCurve();
    curve->setPen(colour, 1.2);
    curve->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    curve->attach(plot);
    return curve;
}

} // namespace

WindowPanel::WindowPanel(QWidget* parent) : QWidget(parent) {
    title_ = new QLabel(this);
    // The same room for both vertical scales keeps the two frequency axes aligned.
    amplitude_ = newStackedPanel(this, "Amplitude", 44);
    probability_ = newStackedPanel(this, "Probability", 44);
    for (QwtPlot* plot : {amplitude_, probability_})
        plot->setAxisMaxMajor(QwtPlot::yLeft, 4);
    probability_->setToolTip("F-test probability; dashed lines at the significance levels");
    amplitude_->enableAxis(QwtPlot::xBottom, false);
    probability_->setAxisTitle(QwtPlot::xBottom, "Frequency");
    probability_->setAxisScale(QwtPlot::yLeft, 0.0, 1.0);
    amplitudeCurve_ = newCurve(amplitude_, QColor(20, 70, 160));
    axis_ = std::make_unique<FrequencyAxis>(QList<QwtPlot*>{amplitude_, probability_});
    probabilityCurve_ = newCurve(probability_, QColor(170, 40, 30));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title_);
    layout->addWidget(amplitude_, 1);
    layout->addWidget(probability_, 1);
    const auto& levels = results::significanceLevels;
    setLevels(levels.data(), static_cast<int>(levels.size()));
    for (int i = 0; i < 2; ++i) {
        marks_[i] = new QwtPlotMarker();
        marks_[i]->setLineStyle(QwtPlotMarker::VLine);
        marks_[i]->setLinePen(QColor(230, 130, 0), 1.5);
        marks_[i]->setVisible(false);
        marks_[i]->attach(i == 0 ? amplitude_ : probability_);
    }
}

void WindowPanel::setMark(double f, bool on) {
    for (QwtPlotMarker* m : marks_) {
        m->setXValue(f);
        m->setVisible(on);
    }
    amplitude_->replot();
    probability_->replot();
}

bool WindowPanel::markShown() const {
    return marks_[0]->isVisible();
}

WindowPanel::~WindowPanel() = default;

void WindowPanel::setSpectrum(const double* frequency, const double* amplitude,
                              const double* probability, int count, const QString& title) {
    title_->setText(title);
    amplitudeCurve_->setSamples(frequency, amplitude, count);
    // Probabilities that could not be evaluated (1e37) are left out.
    QVector<double> f, p;
    for (int i = 0; i < count; ++i)
        if (probability[i] >= 0 && probability[i] <= 1) {
            f << frequency[i];
            p << probability[i];
        }
    probabilityCurve_->setSamples(f, p);
    amplitude_->setAxisAutoScale(QwtPlot::yLeft);
    axis_->setRange(frequency, count);
}

void WindowPanel::setFrequencyAxis(bool periods, bool logarithmic) {
    axis_->setStyle(periods, logarithmic);
}

void WindowPanel::setFrequencyUnit(const QString& unit) {
    axis_->setUnit(unit);
}

void WindowPanel::setLevels(const double* levels, int count) {
    qDeleteAll(levels_);
    levels_.clear();
    for (int i = 0; i < count; ++i) {
        auto* marker = new QwtPlotMarker();
        marker->setLineStyle(QwtPlotMarker::HLine);
        marker->setYValue(levels[i]);
        marker->setLinePen(QColor(110, 110, 110), 0, Qt::DashLine);
        marker->attach(probability_);
        levels_ << marker;
    }
    probability_->replot();
}

QString WindowPanel::title() const {
    return title_->text();
}
