#include "app/panels/BandPassOverlay.h"

#include "app/services/NumberText.h"
#include "core/astro/AstroFiles.h"
#include "core/astro/BandPass.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPushButton>

#include <numeric>

BandPassOverlay::BandPassOverlay(QWidget* parent, SeriesPlot* series)
    : QDialog(parent), series_(series) {
    setWindowTitle("Band-pass");
    for (QDoubleSpinBox** box : {&low, &high}) {
        *box = new QDoubleSpinBox(this);
        (*box)->setDecimals(6);
        (*box)->setRange(0, 1e9);
        (*box)->setToolTip("Cycles per position unit");
    }
    auto* form = new QFormLayout(this);
    form->addRow("Lowest frequency:", low);
    form->addRow("Highest frequency:", high);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* drawButton = buttons->addButton("Draw", QDialogButtonBox::ApplyRole);
    QPushButton* clearButton = buttons->addButton("Clear", QDialogButtonBox::ResetRole);
    buttons->addButton(QDialogButtonBox::Close);
    form->addRow(buttons);
    connect(drawButton, &QPushButton::clicked, this, &BandPassOverlay::draw);
    connect(clearButton, &QPushButton::clicked, this, &BandPassOverlay::clear);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool BandPassOverlay::draw() {
    const auto record = source_ ? source_() : nullptr;
    if (!record || record->values.size() < 2) {
        emit message("Band-pass: there is no series yet; press Plot to analyse a record first.");
        return false;
    }
    const astro::Band band{low->value(), high->value()};
    const astro::BandPassed f = astro::bandPass(record->values, record->provenance.deltat, band);
    if (f.problem) {
        emit message("Band-pass: " + QString::fromStdString(f.problem->text) + ".");
        return false;
    }
    if (!astro::allFinite(f.filtered) || !astro::allFinite(f.envelope)) {
        emit message("Band-pass: the filtered series is not finite; nothing is drawn.");
        return false;
    }
    const std::vector<double>& v = record->values;
    const double mean = std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
    seriesSetBandPass(series_, record->positions.data(), f.filtered.data(), f.envelope.data(),
                      static_cast<int>(v.size()), mean);
    drawn_ = true;
    emit drawnOverSeries();
    emit message(QString("Band-pass %1 to %2 cycles per position unit drawn over the series.")
                     .arg(displayNumberText(band.low), displayNumberText(band.high)));
    return true;
}

void BandPassOverlay::clear() {
    seriesSetBandPass(series_, nullptr, nullptr, nullptr, 0, 0);
    drawn_ = false;
}
