#include "app/panels/EvolutiveTestView.h"

#include "figures/ResultFigures.h"

#include "app/services/NumberText.h"
#include "core/astro/EvolutiveMap.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

void pointerMoved(void* ctx, double x, double y) {
    auto* view = static_cast<EvolutiveTestView*>(ctx);
    emit view->readout(view->readoutAt(x, y));
}

// The index in v (increasing) nearest to value, on the scale `scaled`.
template <class Scale>
std::size_t nearest(const std::vector<double>& v, double value, Scale scaled) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < v.size(); ++i)
        if (std::fabs(scaled(v[i]) - scaled(value)) < std::fabs(scaled(v[best]) - scaled(value)))
            best = i;
    return best;
}

} // namespace

EvolutiveTestView::EvolutiveTestView(MyPlot* plot, QObject* parent)
    : QObject(parent), plot_(plot) {}

void EvolutiveTestView::setTrack(std::shared_ptr<const astro::FlaggedTrack> track) {
    track_ = std::move(track);
}

void EvolutiveTestView::setResult(std::shared_ptr<const astro::EvolutiveTimeOpt> result,
                                  bool logarithmic, double interval) {
    result_ = std::move(result);
    logarithmic_ = logarithmic;
    interval_ = interval;
    if (shown_)
        show();
}

QString EvolutiveTestView::readoutAt(double x, double rate) const {
    if (!result_ || !(rate > 0) || !std::isfinite(x))
        return QString();
    const astro::EvolutiveTimeOpt& e = *result_;
    const std::size_t w = nearest(e.centres, x, [](double v) { return v; });
    const auto scale = [this](double v) { return logarithmic_ ? std::log(v) : v; };
    const std::size_t r = nearest(e.rates, rate, scale);
    // Off the map by more than half a cell: nothing to read.
    const double halfStep = 0.5 * std::fabs(e.centres[1] - e.centres[0]);
    const double halfRate = 0.5 * std::fabs(scale(e.rates[1]) - scale(e.rates[0]));
    if (std::fabs(x - e.centres[w]) > halfStep * (1 + 1e-9) ||
        std::fabs(scale(rate) - scale(e.rates[r])) > halfRate * (1 + 1e-9))
        return QString();
    const astro::RateScore& s = e.cells[w * e.rates.size() + r];
    QString text =
        QString("x %1 | rate %2 cm/kyr | r2_envelope %3 | r2_power %4 | r2_opt %5")
            .arg(displayNumberText(e.centres[w]) + (unit_.isEmpty() ? QString() : " " + unit_),
                 displayNumberText(s.rate), displayNumberText(s.r2Envelope),
                 displayNumberText(s.r2Power), displayNumberText(s.r2Opt));
    // What the window's tests say: its p-value and flag, the rate its lines identify.
    if (track_ && w < track_->flags.size()) {
        if (w < track_->pValues.size())
            text += " | window p-value " + displayNumberText(track_->pValues[w]);
        text += QString(" | %1 | identified %2 cm/kyr")
                    .arg(tuning::rateFlagName(track_->flags[w]),
                         displayNumberText(track_->identifiedRate(w)));
    }
    // The window's interval: the mode holding its optimum.
    if (w < e.likelihoods.size()) {
        const astro::RateInterval i = astro::rateInterval(e.likelihoods[w], interval_);
        if (const astro::RateMode* m = i.holding(astro::optimumTrack(e)[w].rate))
            text += QString(" | %1 % interval %2 to %3 cm/kyr (share %4)")
                        .arg(displayNumberText(100 * interval_), displayNumberText(m->low),
                             displayNumberText(m->high), displayNumberText(m->share));
    }
    return text;
}

void EvolutiveTestView::show() {
    if (!result_ || !plot_)
        return;
    const astro::EvolutiveTimeOpt& e = *result_;
    Plot* plot = plot_->plot();
    if (!shown_) {
        plotGetPointerCallbacks(plot, &pointerContext_, &moved_, &clicked_);
        plotGetTraceDragCallback(plot, &dragContext_, &dragged_);
    }
    plotSetPointerCallbacks(plot, this, &pointerMoved, nullptr);
    plotSetTraceDragCallback(plot, nullptr, nullptr);
    plotSetGuides(plot, nullptr, nullptr, 0);
    const MyPlot::MapDisplay& display = plot_->mapDisplay();
    figureShowEvolutiveTest(plot, e, logarithmic_, display.colorMap, display.reverseX, interval_);
    figureShowWindowTests(plot, track_.get());
    if (!shown_) {
        shown_ = true;
        emit shownChanged(true);
    }
}

void EvolutiveTestView::handBack() {
    Plot* plot = plot_->plot();
    plotSetPointerCallbacks(plot, pointerContext_, moved_, clicked_);
    plotSetTraceDragCallback(plot, dragContext_, dragged_);
    figureShowWindowTests(plot, nullptr);
    shown_ = false;
    emit readout(QString());
}

void EvolutiveTestView::showAnalysisMap() {
    if (!shown_)
        return;
    handBack();
    Plot* plot = plot_->plot();
    plotSetTrace(plot, nullptr, nullptr, nullptr, 0, 0);
    if (const auto& shown = plot_->lastResult())
        plotSetPositionUnit(plot, shown->provenance.positionName.c_str());
    plot_->setMapDisplay(plot_->mapDisplay());
    emit analysisMapBack();
    emit shownChanged(false);
}

void EvolutiveTestView::analysisMapDrawn() {
    if (!shown_)
        return;
    handBack();
    // A new run drops any trace: the track of optima goes with the r2_opt map.
    plotSetTrace(plot_->plot(), nullptr, nullptr, nullptr, 0, 0);
    emit shownChanged(false);
}
