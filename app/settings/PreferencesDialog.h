// The preferences form: the six analysis parameters with their units, labels and ranges from the
// parameter catalogue, checked together before they are stored, and Restore Defaults.
#pragma once

#include "core/series/Preparation.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class RecordUnitFields;

class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    // spacing and unit: of the series last plotted (spacing 0: none yet), for the settings in
    // the record's own units.
    explicit PreferencesDialog(QWidget* parent, double spacing = 0,
                               const QString& unit = QString());

    QDoubleSpinBox* timeBandwidthProduct;
    QSpinBox* numberOfTapers;
    QSpinBox* pointsPerWindow;
    QSpinBox* windowIncrement;
    QSpinBox* fftPoints;
    QDoubleSpinBox* fmax;
    QCheckBox* interpolate;
    QDoubleSpinBox* interpolationStep; // 0: the median spacing
    // The series preparation: log, detrending (with its degree or span), standardising.
    QCheckBox* logValues;
    QComboBox* detrend;
    QSpinBox* polynomialDegree;
    QDoubleSpinBox* lowessSpan;
    QCheckBox* standardise;
    // Each window's own mean or least-squares line, removed before tapering.
    QComboBox* windowDetrend;
    // Keep the Window in the Record's Units: a record of another spacing keeps the window's
    // length, step and highest frequency as the record measures them.
    QCheckBox* keepInRecordUnits;
    QLabel* problemLabel;
    RecordUnitFields* units;

    // The detrending the fields describe, in the tool's words ("poly:3").
    QString detrendText() const;
    // The window detrending the pop-up names, in the tool's words ("mean").
    QString windowDetrendText() const;
    void showDetrend(const series::Detrend& d);

    // The fields' combination, or why the engine would refuse it.
    QString problem() const;

public slots:
    void accept() override;
    void restoreDefaults();

private:
    void load();
};
