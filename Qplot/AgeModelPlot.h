// The age model beside the map: the sedimentation rate along the record, and age against
// position, in two panels that share the position axis. The age panel may carry the band of an
// ensemble with its median, and both panels the stretches where time may be missing (a possible
// hiatus), shaded. A click on the age panel says where, for an anchor to be placed there.
#pragma once

#include <QWidget>

#include <vector>

class QwtPlot;
class QwtPlotCurve;
class QwtPlotIntervalCurve;
class QwtPlotZoneItem;

class AgeModelPlot : public QWidget {
    Q_OBJECT
public:
    explicit AgeModelPlot(QWidget* parent = nullptr);
    void setModel(const double* position, const double* age, const double* rate, int n,
                  const QString& unit);

    QwtPlot* ratePlot() const { return rate_; }
    QwtPlot* agePlot() const { return age_; }
    int pointCount() const;
    // The axis titles in the record's units (after setModel, which names the positions only).
    void setTitles(const QString& position, const QString& rate, const QString& age);
    // The band (low to high) and its median at n positions; n 0: none.
    void setBand(const double* position, const double* low, const double* median,
                 const double* high, int n);
    int bandSize() const;
    // The stretches from first[i] to last[i] shaded in both panels; n 0: none.
    void setStretches(const double* first, const double* last, int n);
    int stretchCount() const { return static_cast<int>(zones_.size() / 2); }
    // A click on the age panel hands ctx and the position clicked to `clicked` (null: none).
    void setClickCallback(void* ctx, void (*clicked)(void* ctx, double position));

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QwtPlot* rate_;
    QwtPlot* age_;
    QwtPlotCurve* rateCurve_;
    QwtPlotCurve* ageCurve_;
    QwtPlotIntervalCurve* band_;
    QwtPlotCurve* median_;
    std::vector<QwtPlotZoneItem*> zones_;
    void* clickContext_ = nullptr;
    void (*clicked_)(void*, double) = nullptr;
};
