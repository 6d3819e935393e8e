// The astronomical test as a figure: r2_envelope, r2_power and r2_opt against the trial
// sedimentation rate on a logarithmic axis, the optimum marked with its rate, r2_opt and (after
// simulations) p-value, and the rate's interval shaded.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QwtPlot;
class QwtPlotCurve;
class QwtPlotMarker;
class QwtPlotZoneItem;

struct TimeOptFigureData {
    const double* rate; // cm/kyr, increasing, above 0
    const double* envelope;
    const double* power;
    const double* opt;
    int count;
    double optimum;   // the rate of largest r2_opt
    double optimumR2; // its r2_opt
    double pValue;    // below 0: no simulations
    int simulations;
};

class TimeOptFigure : public QWidget {
    Q_OBJECT
public:
    explicit TimeOptFigure(QWidget* parent = nullptr);

    void setData(const TimeOptFigureData& d, const QString& title);
    // The rate's interval shaded from low to high, cm/kyr, named in the legend by `label`;
    // low >= high or not finite: hidden.
    void setInterval(double low, double high, const QString& label);
    // The figure into a PDF, PNG or SVG file, written whole or not at all (sizes as the map's).
    bool write(const QString& fileName, double width, double height, QString* why);

    QwtPlot* plot() const { return plot_; }
    QString title() const;
    // The optimum's label, as drawn beside its marker.
    QString optimumText() const;
    // The interval shaded (hidden: an empty interval).
    double intervalLow() const;
    double intervalHigh() const;

private:
    QLabel* title_;
    QwtPlot* plot_;
    QwtPlotCurve* curves_[3];
    QwtPlotMarker* optimum_;
    QwtPlotZoneItem* interval_;
};
