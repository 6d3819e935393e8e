// The age model beside the map: the sedimentation rate along the record, and age against
// position, in two panels that share the position axis.
#pragma once

#include <QWidget>

class QwtPlot;
class QwtPlotCurve;

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

private:
    QwtPlot* rate_;
    QwtPlot* age_;
    QwtPlotCurve* rateCurve_;
    QwtPlotCurve* ageCurve_;
};
