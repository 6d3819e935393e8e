#include "app/PreferencesDialog.h"

#include "app/ParameterRefusals.h"
#include "app/Preferences.h"
#include "app/RecordUnitFields.h"
#include "app/RecordWindow.h"
#include "core/analysis/RunParameters.h"
#include "core/series/Preparation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const analysis::ParameterEntry& entryOf(const char* settingsKey) {
    return *analysis::parameterBySettingsKey(settingsKey);
}

QString labelOf(const char* settingsKey) {
    return QString(entryOf(settingsKey).label) + ":";
}

// The entry's help and what its rule allows, as the field's tool tip.
QString toolTipOf(const analysis::ParameterEntry& e) {
    QString help = QString(e.help) + "; " + QString::fromStdString(analysis::allowedText(e));
    help[0] = help[0].toUpper();
    return help;
}

// The smallest value the rule allows at the field's precision (a bound not included is passed
// by one step of the last decimal).
double lowestOf(const analysis::Rule& r, double resolution) {
    return r.lowestIncluded ? r.lowest : r.lowest + resolution;
}

void fitToCatalogue(QSpinBox* box, const char* settingsKey, int capacity) {
    const analysis::ParameterEntry& e = entryOf(settingsKey);
    box->setRange(static_cast<int>(lowestOf(e.rule, 1)),
                  static_cast<int>(std::min<double>(e.rule.highest, capacity)));
    box->setToolTip(toolTipOf(e));
}

void fitToCatalogue(QDoubleSpinBox* box, const char* settingsKey, double capacity) {
    const analysis::ParameterEntry& e = entryOf(settingsKey);
    box->setRange(lowestOf(e.rule, std::pow(10.0, -box->decimals())),
                  std::min(e.rule.highest, capacity));
    box->setToolTip(toolTipOf(e));
}

} // namespace

PreferencesDialog::PreferencesDialog(QWidget* parent, double spacing, const QString& unit)
    : QDialog(parent) {
    setWindowTitle("Preferences");
    auto* form = new QFormLayout();

    timeBandwidthProduct = new QDoubleSpinBox(this);
    timeBandwidthProduct->setDecimals(4);
    numberOfTapers = new QSpinBox(this);
    pointsPerWindow = new QSpinBox(this);
    windowIncrement = new QSpinBox(this);
    fftPoints = new QSpinBox(this);
    fmax = new QDoubleSpinBox(this);
    fmax->setDecimals(6);
    fmax->setSingleStep(0.01);
    // The catalogue's ranges, within what the engine holds where the catalogue is open-ended.
    fitToCatalogue(timeBandwidthProduct, Preferences::timeBandwidthProduct.name,
                   analysis::maxSamples / 2.0);
    fitToCatalogue(numberOfTapers, Preferences::numberOfTapers.name, analysis::maxTapers);
    fitToCatalogue(pointsPerWindow, Preferences::pointsPerWindow.name, analysis::maxSamples);
    fitToCatalogue(windowIncrement, Preferences::windowIncrement.name, analysis::maxSamples);
    fitToCatalogue(fftPoints, Preferences::fftPoints.name, analysis::maxTransformLength);
    fitToCatalogue(fmax, Preferences::fmax.name, 0.5);

    form->addRow(labelOf(Preferences::timeBandwidthProduct.name), timeBandwidthProduct);
    form->addRow(labelOf(Preferences::numberOfTapers.name), numberOfTapers);
    units = new RecordUnitFields(this, timeBandwidthProduct, numberOfTapers, pointsPerWindow,
                                 windowIncrement, fmax);
    const QString suffix = unit.isEmpty() ? QString(" units") : " " + unit;
    const QString perUnit = unit.isEmpty() ? QString(" cycles per unit") : " cycles/" + unit;
    form->addRow(labelOf(Preferences::pointsPerWindow.name),
                 units->row(pointsPerWindow, units->windowLength, suffix));
    form->addRow(labelOf(Preferences::windowIncrement.name),
                 units->row(windowIncrement, units->stepLength, suffix));
    form->addRow(labelOf(Preferences::fftPoints.name), fftPoints);
    form->addRow(labelOf(Preferences::fmax.name), units->row(fmax, units->fmaxPerUnit, perUnit));
    keepInRecordUnits = new QCheckBox("Keep the Window in the Record's Units", this);
    keepInRecordUnits->setToolTip(
        "When another record is analysed, keep the window length, step and highest frequency "
        "in the record's units (the samples are derived from them at its spacing)");
    form->addRow("", keepInRecordUnits);
    form->addRow(units->summary);
    form->addRow(units->warning);
    interpolate = new QCheckBox(entryOf(Preferences::interpolateToEvenSpacing.name).label, this);
    interpolate->setToolTip(
        "When the positions are not evenly spaced, resample the series linearly at the "
        "median spacing before the analysis (recorded in exported results)");
    form->addRow("", interpolate);
    interpolationStep = new QDoubleSpinBox(this);
    interpolationStep->setDecimals(6);
    interpolationStep->setRange(0.0, 1e12);
    interpolationStep->setSpecialValueText("the median spacing");
    interpolationStep->setToolTip("The spacing the series is resampled at, in position units; "
                                  "0 for the median spacing of the positions");
    form->addRow(labelOf(Preferences::interpolationStep.name), interpolationStep);

    auto* seriesBox = new QGroupBox("Series", this);
    auto* seriesForm = new QFormLayout(seriesBox);
    logValues = new QCheckBox(entryOf(Preferences::logValues.name).label, seriesBox);
    logValues->setToolTip("Every value must be above 0");
    detrend = new QComboBox(seriesBox);
    detrend->addItems({"None", "Linear", "Polynomial", "LOWESS"});
    detrend->setToolTip("The trend removed before the analysis, fitted in position: a "
                        "least-squares line or polynomial, or LOWESS (Cleveland 1979)");
    polynomialDegree = new QSpinBox(seriesBox);
    polynomialDegree->setRange(1, 6);
    polynomialDegree->setValue(2);
    lowessSpan = new QDoubleSpinBox(seriesBox);
    lowessSpan->setDecimals(3);
    lowessSpan->setRange(0.001, 1.0);
    lowessSpan->setSingleStep(0.05);
    lowessSpan->setValue(0.3);
    lowessSpan->setSuffix(" of the samples");
    lowessSpan->setToolTip("The fraction of the samples in each local fit (0.3: 30 %)");
    standardise = new QCheckBox(entryOf(Preferences::standardise.name).label, seriesBox);
    windowDetrend = new QComboBox(seriesBox);
    windowDetrend->addItems({"None", "Mean", "Least-squares line"});
    windowDetrend->setToolTip(
        "Removed from each window's samples before tapering, after the record's mean: so that "
        "a step or a trend within a window does not fill its lowest frequencies");
    seriesForm->addRow("", logValues);
    seriesForm->addRow(labelOf(Preferences::detrendKey), detrend);
    seriesForm->addRow("Polynomial degree:", polynomialDegree);
    seriesForm->addRow("LOWESS span (fraction):", lowessSpan);
    seriesForm->addRow("", standardise);
    seriesForm->addRow(labelOf(Preferences::windowDetrendKey), windowDetrend);
    seriesForm->addRow(new QLabel("Applied in this order, after interpolation.", seriesBox));
    auto enableDetails = [this] {
        polynomialDegree->setEnabled(detrend->currentIndex() == 2);
        lowessSpan->setEnabled(detrend->currentIndex() == 3);
    };
    connect(detrend, QOverload<int>::of(&QComboBox::currentIndexChanged), this, enableDetails);

    problemLabel = new QLabel(this);
    problemLabel->setWordWrap(true);
    problemLabel->setStyleSheet("color: #b00020");

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PreferencesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PreferencesDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            &PreferencesDialog::restoreDefaults);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(seriesBox);
    layout->addWidget(problemLabel);
    layout->addWidget(buttons);
    load();
    units->setSpacing(spacing, unit);
    enableDetails();
}

QString PreferencesDialog::detrendText() const {
    switch (detrend->currentIndex()) {
    case 1:
        return "linear";
    case 2:
        return QString("poly:%1").arg(polynomialDegree->value());
    case 3:
        return QString::fromStdString(
            series::detrendText({series::Detrend::Method::Lowess, 0, lowessSpan->value()}));
    default:
        return "none";
    }
}

QString PreferencesDialog::windowDetrendText() const {
    return analysis::windowDetrendName(
        static_cast<analysis::WindowDetrend>(windowDetrend->currentIndex()));
}

void PreferencesDialog::load() {
    timeBandwidthProduct->setValue(Preferences::read(Preferences::timeBandwidthProduct));
    numberOfTapers->setValue(Preferences::read(Preferences::numberOfTapers));
    pointsPerWindow->setValue(Preferences::read(Preferences::pointsPerWindow));
    windowIncrement->setValue(Preferences::read(Preferences::windowIncrement));
    fftPoints->setValue(Preferences::read(Preferences::fftPoints));
    fmax->setValue(Preferences::read(Preferences::fmax));
    interpolate->setChecked(Preferences::read(Preferences::interpolateToEvenSpacing));
    interpolationStep->setValue(Preferences::read(Preferences::interpolationStep));
    keepInRecordUnits->setChecked(RecordWindow::keep());
    const series::Preparation p = Preferences::preparation();
    logValues->setChecked(p.log);
    standardise->setChecked(p.standardise);
    using Method = series::Detrend::Method;
    detrend->setCurrentIndex(p.detrend.method == Method::Linear       ? 1
                             : p.detrend.method == Method::Polynomial ? 2
                             : p.detrend.method == Method::Lowess     ? 3
                                                                      : 0);
    if (p.detrend.method == Method::Polynomial)
        polynomialDegree->setValue(p.detrend.degree);
    if (p.detrend.method == Method::Lowess)
        lowessSpan->setValue(p.detrend.span);
    windowDetrend->setCurrentIndex(static_cast<int>(Preferences::runParameters().windowDetrend));
}

QString PreferencesDialog::problem() const {
    analysis::RunParameters p;
    p.tbw = timeBandwidthProduct->value();
    p.tapers = numberOfTapers->value();
    p.window = pointsPerWindow->value();
    p.step = windowIncrement->value();
    p.nfft = fftPoints->value();
    p.fmax = fmax->value();
    // Checked against a series as long as the window: only the series length is unknown here.
    const auto found = analysis::checkParameters(p, p.window, 1.0);
    return found ? refusalNamingPreference(*found) : QString();
}

void PreferencesDialog::accept() {
    const QString why = problem();
    if (!why.isEmpty()) {
        problemLabel->setText("Not saved: " + why + ".");
        return;
    }
    // A value equal to its registered default is not written: the store keeps only choices.
    auto keep = [](const char* name, const QVariant& value) {
        if (Preferences::registeredDefault(name) == value)
            Preferences::remove(name);
        else
            Preferences::store(name, value);
    };
    keep(Preferences::timeBandwidthProduct.name, timeBandwidthProduct->value());
    keep(Preferences::numberOfTapers.name, numberOfTapers->value());
    keep(Preferences::pointsPerWindow.name, pointsPerWindow->value());
    keep(Preferences::windowIncrement.name, windowIncrement->value());
    keep(Preferences::fftPoints.name, fftPoints->value());
    keep(Preferences::fmax.name, fmax->value());
    keep(Preferences::interpolateToEvenSpacing.name, interpolate->isChecked());
    keep(Preferences::interpolationStep.name, interpolationStep->value());
    keep(Preferences::logValues.name, logValues->isChecked());
    keep(Preferences::detrendKey, detrendText());
    keep(Preferences::standardise.name, standardise->isChecked());
    keep(Preferences::windowDetrendKey, windowDetrendText());
    RecordWindow::setKeep(keepInRecordUnits->isChecked());
    if (units->windowLength->isEnabled())
        RecordWindow::store({units->windowLength->value(), units->stepLength->value(),
                             units->fmaxPerUnit->value()});
    QDialog::accept();
}

void PreferencesDialog::restoreDefaults() {
    timeBandwidthProduct->setValue(Preferences::timeBandwidthProduct.defaultValue);
    numberOfTapers->setValue(Preferences::numberOfTapers.defaultValue);
    pointsPerWindow->setValue(Preferences::pointsPerWindow.defaultValue);
    windowIncrement->setValue(Preferences::windowIncrement.defaultValue);
    fftPoints->setValue(Preferences::fftPoints.defaultValue);
    fmax->setValue(Preferences::fmax.defaultValue);
    interpolate->setChecked(Preferences::interpolateToEvenSpacing.defaultValue);
    interpolationStep->setValue(Preferences::interpolationStep.defaultValue);
    logValues->setChecked(false);
    detrend->setCurrentIndex(0);
    standardise->setChecked(false);
    windowDetrend->setCurrentIndex(0);
    keepInRecordUnits->setChecked(false);
    problemLabel->clear();
}
