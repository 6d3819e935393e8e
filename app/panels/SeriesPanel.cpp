#include "app/panels/SeriesPanel.h"

#include "app/run/QPlot.h"

#include <QVBoxLayout>

#include <algorithm>

SeriesPanel::SeriesPanel(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    plot = seriesCreate(this);
    layout->addWidget(reinterpret_cast<QWidget*>(plot));
}

void SeriesPanel::showColumn(const series::Series& s, const QString& title) {
    trend_ = {};
    seriesSetData(plot, s.xpos.data(), s.yval.data(), static_cast<int>(s.xpos.size()));
    seriesSetOverlay(plot, nullptr, nullptr, 0);
    clearSpan();
    seriesSetTitle(plot, title.toUtf8().constData());
    const auto [lo, hi] = std::minmax_element(s.xpos.begin(), s.xpos.end());
    seriesSetXRange(plot, *lo, *hi);
}

void SeriesPanel::setRun(std::shared_ptr<const results::ResultSet> result, RemovedTrend trend) {
    result_ = std::move(result);
    trend_ = std::move(trend);
    draw();
}

void SeriesPanel::setTrendShown(bool on) {
    trendShown_ = on;
    draw();
}

void SeriesPanel::showLastRun() {
    draw();
}

void SeriesPanel::draw() {
    if (!result_)
        return;
    const results::ResultSet& r = *result_;
    seriesSetTitle(plot,
                   r.provenance.columnName.empty() ? "Value" : r.provenance.columnName.c_str());
    const RemovedTrend& t = trend_;
    if (trendShown_ && !t.trend.empty()) {
        seriesSetData(plot, t.positions.data(), t.fitted.data(),
                      static_cast<int>(t.positions.size()));
        seriesSetOverlay(plot, t.positions.data(), t.trend.data(),
                         static_cast<int>(t.positions.size()));
    } else {
        seriesSetData(plot, r.positions.data(), r.values.data(),
                      static_cast<int>(r.positions.size()));
        seriesSetOverlay(plot, nullptr, nullptr, 0);
    }
    if (axisRanges().complete())
        seriesSetXRange(plot, *axisRanges().xmin, *axisRanges().xmax);
}

void SeriesPanel::setSpan(double from, double to) {
    seriesSetSpan(plot, from, to);
}

void SeriesPanel::clearSpan() {
    seriesSetSpan(plot, 1, 0);
}

void SeriesPanel::setRange(double from, double to) {
    seriesSetXRange(plot, from, to);
}

void SeriesPanel::setReversed(bool reversed) {
    seriesSetXReversed(plot, reversed);
}
