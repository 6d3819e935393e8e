#include "app/settings/PreferencesDialog.h"

#include "app/run/ParameterRefusals.h"
#include "app/settings/CatalogueFields.h"
#include "app/settings/Preferences.h"
#include "app/settings/RecordUnitFields.h"
#include "app/settings/RecordWindow.h"
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

PreferencesDialog::PreferencesDialog(QWidget* parent, double spacing, const QString& unit)
    : QDialog(parent) {
    setWindowTitle("Preferences");
    auto* form = new QFormLayout();

    using analysis::ParameterId;
    using namespace CatalogueFields;
    timeBandwidthProduct = numberField(ParameterId::Tbw, this, 4);
    numberOfTapers = wholeField(ParameterId::Tapers, this);
    pointsPerWindow = wholeField(ParameterId::Window, this);
    windowIncrement = wholeField(ParameterId::Step, this);
    fftPoints = wholeField(ParameterId::Nfft, this);
    fmax = numberField(ParameterId::Fmax, this, 6);
    fmax->setSingleStep(0.01);

    form->addRow(label(ParameterId::Tbw), timeBandwidthProduct);
    form->addRow(label(ParameterId::Tapers), numberOfTapers);
    units = new RecordUnitFields(this, timeBandwidthProduct, numberOfTapers, pointsPerWindow,
                                 windowIncrement, fmax);
    const QString suffix = unit.isEmpty() ? QString(" units") : " " + unit;
    const QString perUnit = unit.isEmpty() ? QString(" cycles per unit") : " cycles/" + unit;
    form->addRow(label(ParameterId::Window),
                 units->row(pointsPerWindow, units->windowLength, suffix));
    form->addRow(label(ParameterId::Step), units->row(windowIncrement, units->stepLength, suffix));
    form->addRow(label(ParameterId::Nfft), fftPoints);
    form->addRow(label(ParameterId::Fmax), units->row(fmax, units->fmaxPerUnit, perUnit));
    keepInRecordUnits = new QCheckBox("Keep the Window in the Record's Units", this);
    keepInRecordUnits->setToolTip(
        "When another record is analysed, keep the window length, step and highest frequency "
        "in the record's units (the samples are derived from them at its spacing)");
    form->addRow("", keepInRecordUnits);
    form->addRow(units->summary);
    form->addRow(units->warning);
    interpolate = switchField(ParameterId::Interpolate, this);
    interpolate->setToolTip(
        "When the positions are not evenly spaced, resample the series linearly at the "
        "median spacing before the analysis (recorded in exported results)");
    form->addRow("", interpolate);
    interpolationStep = numberField(ParameterId::InterpolationStep, this, 6);
    // 0 stands for the catalogue's default, the median spacing.
    interpolationStep->setMinimum(0.0);
    interpolationStep->setSpecialValueText(
        analysis::parameter(ParameterId::InterpolationStep).defaultText);
    interpolationStep->setToolTip("The spacing the series is resampled at, in position units; "
                                  "0 for the median spacing of the positions");
    form->addRow(label(ParameterId::InterpolationStep), interpolationStep);

    auto* seriesBox = new QGroupBox("Series", this);
    auto* seriesForm = new QFormLayout(seriesBox);
    logValues = switchField(ParameterId::Log, seriesBox);
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
    standardise = switchField(ParameterId::Standardise, seriesBox);
    windowDetrend = new QComboBox(seriesBox);
    windowDetrend->addItems({"None", "Mean", "Least-squares line"});
    windowDetrend->setToolTip(
        "Removed from each window's samples before tapering, after the record's mean: so that "
        "a step or a trend within a window does not fill its lowest frequencies");
    seriesForm->addRow("", logValues);
    seriesForm->addRow(label(ParameterId::Detrend), detrend);
    seriesForm->addRow("Polynomial degree:", polynomialDegree);
    seriesForm->addRow("LOWESS span (fraction):", lowessSpan);
    seriesForm->addRow("", standardise);
    seriesForm->addRow(label(ParameterId::WindowDetrend), windowDetrend);
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

void PreferencesDialog::showDetrend(const series::Detrend& d) {
    using Method = series::Detrend::Method;
    detrend->setCurrentIndex(d.method == Method::Linear       ? 1
                             : d.method == Method::Polynomial ? 2
                             : d.method == Method::Lowess     ? 3
                                                              : 0);
    if (d.method == Method::Polynomial)
        polynomialDegree->setValue(d.degree);
    if (d.method == Method::Lowess)
        lowessSpan->setValue(d.span);
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
    showDetrend(p.detrend);
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
    logValues->setChecked(Preferences::logValues.defaultValue);
    showDetrend(Preferences::defaultPreparation().detrend);
    standardise->setChecked(Preferences::standardise.defaultValue);
    windowDetrend->setCurrentIndex(static_cast<int>(analysis::RunParameters().windowDetrend));
    keepInRecordUnits->setChecked(false);
    problemLabel->clear();
}
