#include "Qplot/TraceOverlay.h"

#include "Qplot/OverlayColours.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_intervalcurve.h>
#include <qwt_plot_marker.h>
#include <qwt_symbol.h>

#include <cmath>

namespace {

QwtPlotCurve* newCurve(QwtPlot* plot, const QPen& pen, QwtSymbol* symbol = nullptr, double z = 30) {
    auto* c = new QwtPlotCurve();
    c->setPen(pen);
    c->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    if (symbol) {
        c->setStyle(QwtPlotCurve::NoCurve);
        c->setSymbol(symbol);
    }
    c->setZ(z);
    c->attach(plot);
    return c;
}

} // namespace

TraceOverlay::TraceOverlay(QwtPlot* plot) : plot_(plot) {
    // Dark halos under the white line and the hollow points: readable on any colour.
    lineHalo_ = newCurve(plot, QPen(haloColour(), 4), nullptr, 29);
    weakHalo_ = newCurve(
        plot, QPen(Qt::NoPen),
        new QwtSymbol(QwtSymbol::Ellipse, QBrush(Qt::NoBrush), QPen(haloColour(), 4), QSize(8, 8)),
        29);
    line_ = newCurve(plot, QPen(Qt::white, 1.5));
    significant_ = newCurve(
        plot, QPen(Qt::NoPen),
        new QwtSymbol(QwtSymbol::Ellipse, QBrush(Qt::white), QPen(Qt::black, 1), QSize(7, 7)));
    weak_ = newCurve(
        plot, QPen(Qt::NoPen),
        new QwtSymbol(QwtSymbol::Ellipse, QBrush(Qt::NoBrush), QPen(Qt::white, 1.5), QSize(7, 7)));
    // A flagged point: a white cross over a dark one, which reads on every colour map.
    flaggedHalo_ = newCurve(
        plot, QPen(Qt::NoPen),
        new QwtSymbol(QwtSymbol::XCross, QBrush(Qt::NoBrush), QPen(haloColour(), 4), QSize(11, 11)),
        29);
    flagged_ = newCurve(
        plot, QPen(Qt::NoPen),
        new QwtSymbol(QwtSymbol::XCross, QBrush(Qt::NoBrush), QPen(Qt::white, 2), QSize(11, 11)));
    upper_ = newCurve(plot, QPen(QColor(255, 255, 255, 160), 1, Qt::DotLine));
    lower_ = newCurve(plot, QPen(QColor(255, 255, 255, 160), 1, Qt::DotLine));
    // Under the line and its points, translucent: the map stays readable through it.
    intervals_ = new QwtPlotIntervalCurve();
    intervals_->setPen(QPen(QColor(255, 255, 255, 200), 1));
    intervals_->setBrush(QColor(255, 255, 255, 70));
    intervals_->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    intervals_->setZ(28);
    intervals_->attach(plot);
}

void TraceOverlay::setTrace(const double* x, const double* f, const unsigned char* significant,
                            int n, double band) {
    x_ = QVector<double>(x, x + n);
    f_ = QVector<double>(f, f + n);
    strong_ = significant ? QVector<unsigned char>(significant, significant + n)
                          : QVector<unsigned char>(n, 1);
    band_ = band;
    flags_.clear();
    low_.clear();
    high_.clear();
    redraw();
}

void TraceOverlay::setIntervals(const double* low, const double* high, int n) {
    const bool fits = low && high && n == x_.size();
    low_ = fits ? QVector<double>(low, low + n) : QVector<double>();
    high_ = fits ? QVector<double>(high, high + n) : QVector<double>();
    redraw();
}

int TraceOverlay::intervalCount() const {
    return static_cast<int>(intervals_->dataSize());
}

void TraceOverlay::setFlags(const unsigned char* flagged, int n) {
    flags_ =
        flagged && n > 0 ? QVector<unsigned char>(flagged, flagged + n) : QVector<unsigned char>();
    redraw();
}

int TraceOverlay::flaggedCount() const {
    return static_cast<int>(flagged_->dataSize());
}

void TraceOverlay::redraw() {
    QVector<double> sx, sf, wx, wf, cx, cf, up, down;
    const bool flags = flags_.size() == x_.size();
    for (int i = 0; i < x_.size(); ++i) {
        const bool crossed = flags && flags_[i];
        (crossed ? cx : strong_[i] ? sx : wx) << x_[i];
        (crossed ? cf : strong_[i] ? sf : wf) << f_[i];
        up << f_[i] + band_;
        down << f_[i] - band_;
    }
    line_->setSamples(x_, f_);
    lineHalo_->setSamples(x_, f_);
    significant_->setSamples(sx, sf);
    weak_->setSamples(wx, wf);
    weakHalo_->setSamples(wx, wf);
    flagged_->setSamples(cx, cf);
    flaggedHalo_->setSamples(cx, cf);
    QVector<QwtIntervalSample> spans;
    for (int i = 0; i < low_.size() && low_.size() == x_.size(); ++i)
        if (std::isfinite(low_[i]) && std::isfinite(high_[i]))
            spans << QwtIntervalSample(x_[i], low_[i], high_[i]);
    intervals_->setSamples(spans);
    upper_->setSamples(band_ > 0 ? x_ : QVector<double>(), up);
    lower_->setSamples(band_ > 0 ? x_ : QVector<double>(), down);
    plot_->replot();
}

int TraceOverlay::pointNear(const QwtPlot* plot, double px, double py, double pixels) const {
    const QwtScaleMap xm = plot->canvasMap(QwtPlot::xBottom);
    const QwtScaleMap ym = plot->canvasMap(QwtPlot::yLeft);
    int best = -1;
    double bestDistance = pixels;
    for (int i = 0; i < x_.size(); ++i) {
        const double d = std::hypot(xm.transform(x_[i]) - px, ym.transform(f_[i]) - py);
        if (d <= bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

void TraceOverlay::movePoint(int i, double f) {
    if (i < 0 || i >= f_.size())
        return;
    f_[i] = f;
    redraw();
}

void TraceOverlay::clearGuides() {
    qDeleteAll(guides_);
    guides_.clear();
    qDeleteAll(guideHalos_);
    guideHalos_.clear();
    qDeleteAll(guideCurves_);
    guideCurves_.clear();
}

void TraceOverlay::addGuideMarker(const QString& label, bool level, double x, double f) {
    if (level) {
        auto* halo = new QwtPlotMarker();
        halo->setLineStyle(QwtPlotMarker::HLine);
        halo->setYValue(f);
        halo->setLinePen(haloColour(), 3.5);
        halo->setZ(24);
        halo->attach(plot_);
        guideHalos_ << halo;
    }
    auto* m = new QwtPlotMarker();
    m->setLineStyle(level ? QwtPlotMarker::HLine : QwtPlotMarker::NoLine);
    m->setValue(x, f);
    m->setLinePen(QColor(255, 255, 255, 220), 1.2, Qt::DashLine);
    QwtText text(label);
    text.setColor(Qt::white);
    text.setBackgroundBrush(haloColour());
    m->setLabel(text);
    m->setLabelAlignment((level ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
    m->setZ(25);
    m->attach(plot_);
    guides_ << m;
}

void TraceOverlay::setGuides(const double* f, const QStringList& labels) {
    clearGuides();
    for (int i = 0; i < labels.size(); ++i)
        addGuideMarker(labels[i], true, 0, f[i]);
    plot_->replot();
}

void TraceOverlay::setGuideCurves(const double* x, const double* f, int points,
                                  const QStringList& labels) {
    clearGuides();
    for (int i = 0; i < labels.size() && points > 0; ++i) {
        const double* fi = f + static_cast<std::ptrdiff_t>(i) * points;
        guideCurves_ << newCurve(plot_, QPen(haloColour(), 3.5), nullptr, 24);
        guideCurves_.last()->setSamples(x, fi, points);
        guideCurves_ << newCurve(plot_, QPen(QColor(255, 255, 255, 220), 1.2, Qt::DashLine),
                                 nullptr, 25);
        guideCurves_.last()->setSamples(x, fi, points);
        addGuideMarker(labels[i], false, x[points - 1], fi[points - 1]);
    }
    plot_->replot();
}

double TraceOverlay::guideAt(int i, double x) const {
    if (guideCurves_.isEmpty())
        return guides_[i]->yValue();
    const QwtSeriesData<QPointF>* d = guideCurves_[2 * i + 1]->data();
    const std::size_t n = d->size();
    if (x <= d->sample(0).x())
        return d->sample(0).y();
    for (std::size_t j = 1; j < n; ++j) {
        const QPointF a = d->sample(j - 1), b = d->sample(j);
        if (x <= b.x())
            return a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x());
    }
    return d->sample(n - 1).y();
}
