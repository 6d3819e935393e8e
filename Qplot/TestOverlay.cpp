#include "Qplot/TestOverlay.h"

#include "Qplot/OverlayColours.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_symbol.h>

namespace {

QwtPlotCurve* newMarks(QwtPlot* plot, const QColor& colour, double width, double z) {
    auto* c = new QwtPlotCurve();
    c->setStyle(QwtPlotCurve::NoCurve);
    c->setSymbol(
        new QwtSymbol(QwtSymbol::Diamond, QBrush(Qt::NoBrush), QPen(colour, width), QSize(10, 10)));
    c->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    c->setZ(z);
    c->attach(plot);
    return c;
}

} // namespace

TestOverlay::TestOverlay(QwtPlot* plot) : plot_(plot) {
    // Below the track (z 30) and its halo; a dark diamond under a light one reads on any map.
    markHalos_ = newMarks(plot, haloColour(), 4, 27);
    marks_ = newMarks(plot, QColor(255, 215, 0), 1.8, 28);
}

void TestOverlay::setShadedColumns(const double* from, const double* to, int n) {
    qDeleteAll(zones_);
    zones_.clear();
    for (int i = 0; i < n; ++i) {
        auto* zone = new QwtPlotZoneItem();
        zone->setOrientation(Qt::Vertical);
        zone->setInterval(from[i], to[i]);
        // Dimmed under a light hatching: the colours stay readable, the column stands apart.
        zone->setBrush(QBrush(QColor(0, 0, 0, 110)));
        zone->setPen(QPen(Qt::NoPen));
        zone->setZ(22);
        zone->attach(plot_);
        zones_ << zone;
        auto* hatch = new QwtPlotZoneItem();
        hatch->setOrientation(Qt::Vertical);
        hatch->setInterval(from[i], to[i]);
        hatch->setBrush(QBrush(QColor(255, 255, 255, 120), Qt::BDiagPattern));
        hatch->setPen(QPen(Qt::NoPen));
        hatch->setZ(23);
        hatch->attach(plot_);
        zones_ << hatch;
    }
    plot_->replot();
}

double TestOverlay::shadedFrom(int i) const {
    return zones_[2 * i]->interval().minValue();
}

double TestOverlay::shadedTo(int i) const {
    return zones_[2 * i]->interval().maxValue();
}

void TestOverlay::setMarks(const double* x, const double* rate, int n) {
    marks_->setSamples(x, rate, n);
    markHalos_->setSamples(x, rate, n);
    plot_->replot();
}

int TestOverlay::markCount() const {
    return static_cast<int>(marks_->dataSize());
}
