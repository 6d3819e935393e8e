#include "app/PreferencesDialog.h"

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

PreferencesDialog::PreferencesDialog(QWidget* parent, double spacing, const QString& unit)
    : QDialog(parent) {
    setWindowTitle("Preferences");
    auto* form = new QFormLayout();

    timeBandwidthProduct = new QDoubleSpinBox(this);
    timeBandwidthProduct->setDecimals(4);
    timeBandwidthProduct->setRange(0.0001, analysis::maxSamples / 2.0);
    timeBandwidthProduct->setToolTip(
        "Time-bandwidth product NW of the Slepian tapers; the half-bandwidth "
        "W = NW / points per window must lie between 0 and 0.5 cycles per sample");
    numberOfTapers = new QSpinBox(this);
    numberOfTapers->setRange(1, analysis::maxTapers);
    numberOfTapers->setToolTip(
        "Number of Slepian tapers, 1 to 10 (at least 2 for an F-test), at most the "
        "points per window; usually 2 NW - 1 or fewer");
    pointsPerWindow = new QSpinBox(this);
    pointsPerWindow->setRange(2, analysis::maxSamples);
    pointsPerWindow->setToolTip(
        "Samples per moving window, 2 to 524288, at most the length of the series");
    windowIncrement = new QSpinBox(this);
    windowIncrement->setRange(1, analysis::maxSamples);
    windowIncrement->setToolTip("Step between windows in samples, at least 1");
    fftPoints = new QSpinBox(this);
    fftPoints->setRange(2, analysis::maxTransformLength);
    fftPoints->setToolTip("Transform length, from the points per window to 1048576 (zero padding)");
    fmax = new QDoubleSpinBox(this);
    fmax->setDecimals(6);
    fmax->setRange(0.000001, 0.5);
    fmax->setSingleStep(0.01);
    fmax->setToolTip(
        "Highest frequency shown, in cycles per sample (0.5 is the Nyquist frequency)");

    form->addRow("Time-bandwidth product (NW):", timeBandwidthProduct);
    form->addRow("Number of tapers:", numberOfTapers);
    units = new RecordUnitFields(this, timeBandwidthProduct, numberOfTapers, pointsPerWindow,
                                 windowIncrement, fmax);
    const QString suffix = unit.isEmpty() ? QString(" units") : " " + unit;
    const QString perUnit = unit.isEmpty() ? QString(" cycles per unit") : " cycles/" + unit;
    form->addRow("Points per window (samples):",
                 units->row(pointsPerWindow, units->windowLength, suffix));
    form->addRow("Window increment (samples):",
                 units->row(windowIncrement, units->stepLength, suffix));
    form->addRow("FFT points:", fftPoints);
    form->addRow("Highest frequency (cycles/sample):",
                 units->row(fmax, units->fmaxPerUnit, perUnit));
    keepInRecordUnits = new QCheckBox("Keep the Window in the Record's Units", this);
    keepInRecordUnits->setToolTip(
        "When another record is analysed, keep the window length, step and highest frequency "
        "in the record's units (the samples are derived from them at its spacing)");
    form->addRow("", keepInRecordUnits);
    form->addRow(units->summary);
    form->addRow(units->warning);
    interpolate = new QCheckBox("Interpolate to even spacing", this);
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
    form->addRow("Interpolation step (position units):", interpolationStep);

    auto* seriesBox = new QGroupBox("Series", this);
    auto* seriesForm = new QFormLayout(seriesBox);
    logValues = new QCheckBox("Natural logarithm of the values", seriesBox);
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
    standardise = new QCheckBox("Standardise (mean 0, standard deviation 1)", seriesBox);
    seriesForm->addRow("", logValues);
    seriesForm->addRow("Detrend:", detrend);
    seriesForm->addRow("Polynomial degree:", polynomialDegree);
    seriesForm->addRow("LOWESS span (fraction):", lowessSpan);
    seriesForm->addRow("", standardise);
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
}

QString PreferencesDialog::problem() const {
    analysis::RunParameters p;
    p.tbw = timeBandwidthProduct->value();
    p.kspec = numberOfTapers->value();
    p.mpts = pointsPerWindow->value();
    p.inc = windowIncrement->value();
    p.nfft = fftPoints->value();
    p.fmax = fmax->value();
    // Checked against a series as long as the window: only the series length is unknown here.
    const auto found = analysis::checkParameters(p, p.mpts, 1.0);
    return found ? QString::fromStdString(found->text) : QString();
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
    keepInRecordUnits->setChecked(false);
    problemLabel->clear();
}
