// Beside the preferences kept in samples and cycles per sample, the same settings in the
// record's own units (the spacing of the series last plotted): window and step as lengths, the
// highest frequency in cycles per unit and as a shortest period, the bandwidth the tapers give,
// and a warning when there are more tapers than 2 NW - 1. Each unit field edits its twin.
#pragma once

#include <QObject>
#include <QString>

class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QWidget;

class RecordUnitFields : public QObject {
    Q_OBJECT
public:
    RecordUnitFields(QWidget* parent, QDoubleSpinBox* tbw, QSpinBox* tapers, QSpinBox* window,
                     QSpinBox* step, QDoubleSpinBox* fmax);

    // The spacing of the record and the name of its positions; spacing 0: not known (the unit
    // fields are disabled and say why).
    void setSpacing(double spacing, const QString& unit);

    // A row holding the sample field and its twin in units.
    QWidget* row(QWidget* samples, QDoubleSpinBox* units, const QString& suffix);

    QDoubleSpinBox* windowLength;
    QDoubleSpinBox* stepLength;
    QDoubleSpinBox* fmaxPerUnit;
    QLabel* summary; // shortest period and bandwidth
    QLabel* warning; // too many tapers for the time-bandwidth product

private:
    void fromSamples();
    void toSamples(QDoubleSpinBox* changed);

    QWidget* parent_;
    QDoubleSpinBox* tbw_;
    QSpinBox* tapers_;
    QSpinBox* window_;
    QSpinBox* step_;
    QDoubleSpinBox* fmax_;
    double spacing_ = 0;
    QString unit_;
    bool syncing_ = false;
};
