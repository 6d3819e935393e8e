// Above the map: the analysed series, or the chosen column before any run, or with detrending the
// series before detrending with the removed trend drawn over it. It follows the map's horizontal
// range and shows the span of the selected window.
#pragma once

#include "Qplot/plot_api.h"
#include "core/results/ResultSet.h"
#include "core/series/SeriesFile.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class SeriesPanel : public QWidget {
    Q_OBJECT
public:
    explicit SeriesPanel(QWidget* parent);

    SeriesPlot* plot = nullptr;

    // The trend a detrending run removed and the values it was fitted to.
    struct RemovedTrend {
        std::vector<double> positions, fitted, trend;
    };

    // A column of the chosen file, before any run: no trend, no window span. The last run's
    // series comes back when the trend is shown or hidden.
    void showColumn(const series::Series& s, const QString& title);
    // The series of a run that reached the map, with the trend it removed (empty: none).
    void setRun(std::shared_ptr<const results::ResultSet> result, RemovedTrend trend);
    // The removed trend over the series before detrending instead of the analysed series.
    void setTrendShown(bool on);
    // The last run's series again, after another file's column was shown.
    void showLastRun();

    void setSpan(double from, double to);
    void clearSpan();
    void setRange(double from, double to);
    void setReversed(bool reversed);

private:
    void draw();
    std::shared_ptr<const results::ResultSet> result_;
    RemovedTrend trend_;
    bool trendShown_ = false;
};
