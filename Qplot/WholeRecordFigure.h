// The spectrum of a whole record as a figure: log power against frequency with the red-noise
// background and its 90, 95 and 99 % levels, the bins that pass both the F-test and the 95 %
// level marked, the lowest frequencies shaded where the levels cannot be trusted, and the
// F-test probability in a panel below on the same frequency axis.
#pragma once

#include <qwt_interval.h>

#include <QString>
#include <QVector>
#include <QWidget>

#include <memory>

class FrequencyAxis;
class QLabel;
class QwtPlot;
class QwtPlotCurve;
class QwtPlotMarker;
class QwtPlotZoneItem;

struct WholeRecordFigureData {
    const double* frequency;
    const double* power;
    const double* background;
    const double* level90;
    const double* level95;
    const double* level99;
    const double* probability;
    const unsigned char* marked; // may be null
    int count;
    double level; // the F-test level drawn in the lower panel
};

class WholeRecordFigure : public QWidget {
    Q_OBJECT
public:
    explicit WholeRecordFigure(QWidget* parent = nullptr);
    ~WholeRecordFigure() override;

    void setData(const WholeRecordFigureData& d, const QString& title);
    // The levels shaded as not to be trusted below frequency `below` (0: nowhere).
    void setUnreliableBelow(double below);
    // Frequency labels read as periods (1/f) and/or a logarithmic frequency axis.
    void setFrequencyAxis(bool periods, bool logarithmic);
    // The record's position unit in the frequency axis title ("m"; empty: not known).
    void setFrequencyUnit(const QString& unit);
    // The figure into a PDF, PNG or SVG file, written whole or not at all (sizes as the map's).
    bool write(const QString& fileName, double width, double height, QString* why);

    QwtPlot* powerPlot() const { return power_; }
    QwtPlot* probabilityPlot() const { return probability_; }
    int markedCount() const { return markedCount_; }
    QString title() const;
    // The shaded band's frequencies (empty when none is shown).
    QwtInterval unreliableBand() const;

private:
    void placeUnreliableBand();

    QLabel* title_;
    QwtPlot* power_;
    QwtPlot* probability_;
    QwtPlotCurve* powerCurve_;
    QwtPlotCurve* backgroundCurve_;
    QwtPlotCurve* levelCurves_[3];
    QwtPlotCurve* marks_;
    QwtPlotCurve* probabilityCurve_;
    QwtPlotMarker* levelMarker_;
    QwtPlotZoneItem* unreliable_;
    double unreliableBelow_ = 0, lowestPositive_ = 0;
    bool logarithmic_ = false;
    std::unique_ptr<FrequencyAxis> axis_;
    int markedCount_ = 0;
};
