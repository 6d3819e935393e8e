#include "app/settings/RecordUnitFields.h"

#include "app/services/NumberText.h"
#include "app/settings/NumberBox.h"
#include "core/units/RecordUnits.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

#include <cmath>

namespace {

QDoubleSpinBox* unitField(QWidget* parent) {
    auto* field = new NumberBox(parent);
    field->setDecimals(12);
    field->setRange(0.0, 1e15);
    // Checked when editing finishes, not at every keystroke: "0.2" is typed through "0".
    field->setKeyboardTracking(false);
    return field;
}

} // namespace

RecordUnitFields::RecordUnitFields(QWidget* parent, QDoubleSpinBox* tbw, QSpinBox* tapers,
                                   QSpinBox* window, QSpinBox* step, QDoubleSpinBox* fmax)
    : QObject(parent), parent_(parent), tbw_(tbw), tapers_(tapers), window_(window), step_(step),
      fmax_(fmax) {
    windowLength = unitField(parent);
    stepLength = unitField(parent);
    fmaxPerUnit = unitField(parent);
    summary = new QLabel(parent);
    summary->setWordWrap(true);
    warning = new QLabel(parent);
    warning->setWordWrap(true);
    warning->setStyleSheet("color: #a05a00");
    for (QSpinBox* samples : {window_, step_, tapers_})
        connect(samples, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &RecordUnitFields::fromSamples);
    for (QDoubleSpinBox* cycles : {fmax_, tbw_})
        connect(cycles, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                &RecordUnitFields::fromSamples);
    for (QDoubleSpinBox* units : {windowLength, stepLength, fmaxPerUnit})
        connect(units, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                [this, units] { toSamples(units); });
    setSpacing(0, QString());
}

QWidget* RecordUnitFields::row(QWidget* samples, QDoubleSpinBox* units, const QString& suffix) {
    auto* holder = new QWidget(parent_);
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(samples, 1);
    layout->addWidget(new QLabel("=", holder));
    layout->addWidget(units, 1);
    units->setSuffix(suffix);
    return holder;
}

void RecordUnitFields::setSpacing(double spacing, const QString& unit) {
    spacing_ = spacing > 0 && std::isfinite(spacing) ? spacing : 0;
    unit_ = unit.isEmpty() ? QString("position units") : unit;
    const bool known = spacing_ > 0;
    for (QDoubleSpinBox* units : {windowLength, stepLength, fmaxPerUnit}) {
        units->setEnabled(known);
        units->setToolTip(known ? QString("In %1, at the spacing %2 of the record")
                                      .arg(unit_, displayNumberText(spacing_))
                                : QString("Choose a data file first: its spacing gives these "
                                          "settings in its own units"));
    }
    fromSamples();
}

void RecordUnitFields::fromSamples() {
    if (syncing_)
        return;
    syncing_ = true;
    const double nw = tbw_->value();
    const int k = tapers_->value();
    warning->setText(k > 2 * nw - 1
                         ? QString("%1 tapers for a time-bandwidth product of %2: more than 2 NW "
                                   "- 1 = %3, so the last ones leak beyond the band.")
                               .arg(k)
                               .arg(displayNumberText(nw))
                               .arg(displayNumberText(2 * nw - 1))
                         : QString());
    if (spacing_ > 0) {
        windowLength->setValue(window_->value() * spacing_);
        stepLength->setValue(step_->value() * spacing_);
        fmaxPerUnit->setValue(fmax_->value() / spacing_);
        const double halfBandwidth = nw / (window_->value() * spacing_);
        const QString perUnit = unit_ == "position units" ? "cycles per unit" : "cycles/" + unit_;
        summary->setText(QString("In %1 (spacing %2): window %3, step %4; highest frequency %5 "
                                 "%8, a shortest period of %6 %1; bandwidth \u00b1%7 %8.")
                             .arg(unit_, displayNumberText(spacing_),
                                  displayNumberText(windowLength->value()),
                                  displayNumberText(stepLength->value()),
                                  displayNumberText(fmaxPerUnit->value()),
                                  displayNumberText(spacing_ / fmax_->value()),
                                  displayNumberText(halfBandwidth), perUnit));
    } else {
        summary->setText("Choose a data file to see these settings in its own units.");
    }
    syncing_ = false;
}

void RecordUnitFields::toSamples(QDoubleSpinBox* changed) {
    if (syncing_ || !(spacing_ > 0))
        return;
    syncing_ = true;
    if (changed == windowLength)
        window_->setValue(units::samplesIn(windowLength->value(), spacing_));
    else if (changed == stepLength)
        step_->setValue(units::samplesIn(stepLength->value(), spacing_));
    else
        fmax_->setValue(fmaxPerUnit->value() * spacing_);
    syncing_ = false;
    fromSamples(); // the rounding shows in the unit fields
}
