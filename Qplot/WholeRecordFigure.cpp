#include "Qplot/WholeRecordFigure.h"

#include "Qplot/FigureFile.h"
#include "Qplot/FrequencyAxis.h"
#include "Qplot/StackedPanel.h"

#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_renderer.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_scale_engine.h>
#include <qwt_symbol.h>

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

QwtPlotCurve* newCurve(QwtPlot* plot, const QString& title, const QPen& pen) {
    auto* curve = new QwtPlotCurve(title);
    curve->setPen(pen);
    curve->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    curve->attach(plot);
    return curve;
}

// Points of y > 0 only: a logarithmic axis has no place for the others.
void setPositive(QwtPlotCurve* curve, const double* x, const double* y, int n) {
    QVector<double> px, py;
    for (int i = 0; i < n; ++i)
        if (y[i] > 0) {
            px << x[i];
            py << y[i];
        }
    curve->setSamples(px, py);
}

// A shaded band whose legend entry shows its colour.
class ShadedBand : public QwtPlotZoneItem {
public:
    QwtGraphic legendIcon(int, const QSizeF& size) const override {
        return defaultIcon(brush(), size);
    }
};

} // namespace

WholeRecordFigure::WholeRecordFigure(QWidget* parent) : QWidget(parent) {
    title_ = new QLabel(this);
    title_->setWordWrap(true);
    power_ = newStackedPanel(this, "Power", 54); // both panels align
    probability_ = newStackedPanel(this, "Probability", 54);
    power_->setAxisScaleEngine(QwtPlot::yLeft, new QwtLogScaleEngine());
    power_->enableAxis(QwtPlot::xBottom, false);
    probability_->setAxisTitle(QwtPlot::xBottom, "Frequency");
    probability_->setAxisScale(QwtPlot::yLeft, 0.0, 1.0);
    powerCurve_ = newCurve(power_, "Power", QPen(QColor(20, 70, 160), 1.2));
    backgroundCurve_ = newCurve(power_, "Red-noise background", QPen(Qt::black, 1.5));
    const char* names[3] = {"90 % level", "95 % level", "99 % level"};
    const QColor colours[3] = {QColor(40, 150, 60), QColor(230, 130, 0), QColor(200, 30, 30)};
    for (int i = 0; i < 3; ++i)
        levelCurves_[i] = newCurve(power_, names[i], QPen(colours[i], 1.0, Qt::DashLine));
    unreliable_ = new ShadedBand();
    unreliable_->setTitle("Levels not reliable");
    unreliable_->setOrientation(Qt::Vertical);
    unreliable_->setBrush(QColor(120, 120, 120, 60));
    unreliable_->setPen(QPen(Qt::NoPen));
    unreliable_->setItemAttribute(QwtPlotItem::Legend, true);
    unreliable_->setZ(backgroundCurve_->z() - 1); // under the curves
    unreliable_->attach(power_);
    unreliable_->setVisible(false);
    marks_ = newCurve(power_, "Line passing both", QPen(Qt::NoPen));
    marks_->setStyle(QwtPlotCurve::NoCurve);
    marks_->setLegendAttribute(QwtPlotCurve::LegendShowSymbol, true);
    marks_->setLegendAttribute(QwtPlotCurve::LegendShowLine, false);
    marks_->setSymbol(new QwtSymbol(QwtSymbol::Triangle, QBrush(QColor(200, 30, 30)),
                                    QPen(Qt::black, 0.5), QSize(9, 9)));
    // Above the panel, so that both panels keep the same width and one frequency axis.
    power_->insertLegend(new QwtLegend(), QwtPlot::TopLegend);
    probabilityCurve_ =
        newCurve(probability_, "F-test probability", QPen(QColor(170, 40, 30), 1.2));
    axis_ = std::make_unique<FrequencyAxis>(QList<QwtPlot*>{power_, probability_});
    levelMarker_ = new QwtPlotMarker();
    levelMarker_->setLineStyle(QwtPlotMarker::HLine);
    levelMarker_->setLinePen(QColor(110, 110, 110), 0, Qt::DashLine);
    levelMarker_->attach(probability_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title_);
    layout->addWidget(power_, 3);
    layout->addWidget(probability_, 2);
}

WholeRecordFigure::~WholeRecordFigure() = default;

void WholeRecordFigure::setData(const WholeRecordFigureData& d, const QString& title) {
    title_->setText(title);
    setPositive(powerCurve_, d.frequency, d.power, d.count);
    setPositive(backgroundCurve_, d.frequency, d.background, d.count);
    const double* levels[3] = {d.level90, d.level95, d.level99};
    for (int i = 0; i < 3; ++i)
        setPositive(levelCurves_[i], d.frequency, levels[i], d.count);
    QVector<double> mf, mp, f, p;
    for (int i = 0; i < d.count; ++i) {
        if (d.marked && d.marked[i] && d.power[i] > 0) {
            mf << d.frequency[i];
            mp << d.power[i];
        }
        // Probabilities that could not be evaluated (1e37) are left out.
        if (d.probability[i] >= 0 && d.probability[i] <= 1) {
            f << d.frequency[i];
            p << d.probability[i];
        }
    }
    markedCount_ = mf.size();
    marks_->setSamples(mf, mp);
    probabilityCurve_->setSamples(f, p);
    levelMarker_->setYValue(d.level);
    power_->setAxisAutoScale(QwtPlot::yLeft);
    lowestPositive_ = 0;
    for (int i = 0; i < d.count && lowestPositive_ == 0; ++i)
        if (d.frequency[i] > 0)
            lowestPositive_ = d.frequency[i];
    axis_->setRange(d.frequency, d.count);
}

void WholeRecordFigure::setUnreliableBelow(double below) {
    unreliableBelow_ = below;
    placeUnreliableBand();
    power_->replot();
}

void WholeRecordFigure::setFrequencyAxis(bool periods, bool logarithmic) {
    logarithmic_ = logarithmic;
    axis_->setStyle(periods, logarithmic);
    placeUnreliableBand();
}

void WholeRecordFigure::placeUnreliableBand() {
    // A logarithmic axis starts at the lowest frequency above zero.
    const double from = logarithmic_ ? 0.5 * lowestPositive_ : 0.0;
    unreliable_->setInterval(from, unreliableBelow_);
    unreliable_->setVisible(unreliableBelow_ > from);
}

QwtInterval WholeRecordFigure::unreliableBand() const {
    return unreliable_->isVisible() ? unreliable_->interval() : QwtInterval();
}

void WholeRecordFigure::setFrequencyUnit(const QString& unit) {
    axis_->setUnit(unit);
}

QString WholeRecordFigure::title() const {
    return title_->text();
}

bool WholeRecordFigure::write(const QString& fileName, double width, double height, QString* why) {
    return figure::write(
        fileName, width, height, title(),
        [this](QPainter* painter, const QRectF& r) {
            const double titleHeight = 0.06 * r.height();
            painter->drawText(QRectF(r.left(), r.top(), r.width(), titleHeight),
                              Qt::AlignCenter | Qt::TextWordWrap, title());
            const QRectF body = r.adjusted(0, titleHeight, 0, 0);
            const double split = body.top() + 0.6 * body.height();
            QwtPlotRenderer renderer;
            renderer.render(power_, painter,
                            QRectF(body.left(), body.top(), body.width(), split - body.top()));
            renderer.render(probability_, painter,
                            QRectF(body.left(), split, body.width(), body.bottom() - split));
        },
        why);
}
