// The average spectral misfit as a figure: the misfit of the record's lines (cycles/kyr, left
// axis) and its null probability (right axis, logarithmic) against the trial sedimentation
// rate on a logarithmic axis, the best rate marked with its misfit and corrected null
// probability, and the null probability a rate needs for the corrected 0.05 level.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QwtPlot;
class QwtPlotCurve;
class QwtPlotMarker;

struct MisfitFigureData {
    const double* rate; // cm/kyr, increasing, above 0
    const double* misfit;
    const double* pNull;
    int count;
    double best;          // the rate of smallest null probability
    double bestMisfit;    // its misfit
    double bestCorrected; // its null probability corrected for the rates tried
    int simulations;      // random line sets
};

class MisfitFigure : public QWidget {
    Q_OBJECT
public:
    explicit MisfitFigure(QWidget* parent = nullptr);

    void setData(const MisfitFigureData& d, const QString& title);

    QwtPlot* plot() const { return plot_; }
    QString title() const;
    // The best rate's label, as drawn beside its marker.
    QString bestText() const;
    // The null probability of the corrected 0.05 level (0.05 / rates).
    double levelLine() const;

private:
    QLabel* title_;
    QwtPlot* plot_;
    QwtPlotCurve* misfit_;
    QwtPlotCurve* pNull_;
    QwtPlotMarker* best_;
    QwtPlotMarker* level_;
};
