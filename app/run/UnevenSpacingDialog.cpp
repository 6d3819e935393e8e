#include "app/run/UnevenSpacingDialog.h"

#include "app/services/NumberText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

UnevenSpacingDialog::UnevenSpacingDialog(QWidget* parent, const QString& file,
                                         const QString& spacingText, double medianSpacing)
    : QDialog(parent) {
    setWindowTitle("Unevenly Spaced Positions");
    auto* text = new QLabel(
        QString("The positions of %1 are not evenly spaced: %2.\n\nThe analysis needs even "
                "spacing; without it the series would be analysed at the spacing of its first "
                "two positions, on a wrong axis. Resample it linearly:")
            .arg(file, spacingText),
        this);
    text->setWordWrap(true);
    const QString median = displayNumberText(medianSpacing);
    atMedian = new QRadioButton("At the median spacing, " + median, this);
    atStep = new QRadioButton("At this step:", this);
    step = new QDoubleSpinBox(this);
    step->setDecimals(6);
    step->setRange(1e-9, 1e12);
    step->setValue(medianSpacing > 0 ? medianSpacing : 1.0);
    step->setEnabled(false);
    atMedian->setChecked(true);
    remember = new QCheckBox("Interpolate uneven series this way from now on (Preferences)", this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("Interpolate and Plot");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(atStep, &QRadioButton::toggled, step, &QWidget::setEnabled);
    auto* stepRow = new QHBoxLayout();
    stepRow->addWidget(atStep);
    stepRow->addWidget(step, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(atMedian);
    layout->addLayout(stepRow);
    layout->addWidget(remember);
    layout->addWidget(buttons);
}

UnevenSpacingChoice UnevenSpacingDialog::choice() const {
    return {true, atStep->isChecked() ? step->value() : 0.0, remember->isChecked()};
}

UnevenSpacingDialog::Chooser& UnevenSpacingDialog::chooser() {
    static Chooser ask = [](QWidget* parent, const QString& file, const QString& spacingText,
                            double median) {
        UnevenSpacingDialog dialog(parent, file, spacingText, median);
        return dialog.exec() == QDialog::Accepted ? dialog.choice() : UnevenSpacingChoice{};
    };
    return ask;
}
