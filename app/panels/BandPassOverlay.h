// Analysis > Band-pass: a small dialog for a pass band in cycles per position unit; the map's
// series band-passed (zero phase, smooth edges) and its amplitude envelope are drawn over the
// series panel, centred on the series' mean.
#pragma once

#include "Qplot/plot_api.h"
#include "core/results/ResultSet.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class QDoubleSpinBox;

class BandPassOverlay : public QDialog {
    Q_OBJECT
public:
    BandPassOverlay(QWidget* parent, SeriesPlot* series);

    // The series filtered: the map's analysed series, asked for at each drawing.
    using RecordSource = std::function<std::shared_ptr<const results::ResultSet>()>;
    void setRecordSource(RecordSource source) { source_ = std::move(source); }

    QDoubleSpinBox* low;  // cycles per position unit
    QDoubleSpinBox* high; // cycles per position unit

    bool isDrawn() const { return drawn_; }

public slots:
    // The band-passed series and envelope over the series; false (with a message) when refused.
    bool draw();
    void clear();

signals:
    void message(const QString& text);
    void drawnOverSeries();

private:
    SeriesPlot* series_;
    RecordSource source_;
    bool drawn_ = false;
};
