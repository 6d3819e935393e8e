#include "app/panels/TargetPeriods.h"

#include "app/services/NumberText.h"
#include "app/settings/NumberBox.h"
#include "core/units/RecordUnits.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSettings>

#include <vector>

TargetPeriods::TargetPeriods(QWidget* parent, Plot* plot) : QWidget(parent), plot_(plot) {
    QSettings settings;
    periodsText =
        new QLineEdit(settings.value("targets/periods", "405, 100, 41, 23, 19").toString(), this);
    periodsText->setToolTip("Periods in kyr, separated by commas");
    rate = new NumberBox(this);
    rate->setDecimals(12);
    rate->setRange(1e-6, 1e9);
    rate->setValue(settings.value("targets/rate", 1.0).toDouble());
    rate->setToolTip("Trial sedimentation rate, in position units per kyr (1 for a record in "
                     "kyr): the guides sit at f = 1 / (P x rate)");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    periodsLabel_ = new QLabel("Target periods (kyr):", this);
    rateLabel_ = new QLabel("units per kyr", this);
    row->addWidget(periodsLabel_);
    row->addWidget(periodsText, 1);
    row->addWidget(new QLabel("at a sedimentation rate of", this));
    row->addWidget(rate);
    row->addWidget(rateLabel_);
    connect(periodsText, &QLineEdit::textChanged, this, [this] {
        apply();
        emit periodsChanged();
    });
    connect(rate, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &TargetPeriods::apply);
}

QList<double> TargetPeriods::periods() const {
    QList<double> list;
    for (const QString& part : periodsText->text().split(',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const double p = QLocale::c().toDouble(part.trimmed(), &ok);
        if (ok && p > 0)
            list << p;
    }
    return list;
}

void TargetPeriods::setUnits(const RecordUnitChoice& units, bool newRecord) {
    ageUnit_ = units.age.isEmpty() ? QString("kyr") : units.age;
    periodsLabel_->setText("Target periods (" + ageUnit_ + "):");
    rateLabel_->setText((units.position.isEmpty() ? QString("units") : units.position) + " per " +
                        ageUnit_);
    if (newRecord) {
        // A typical rate per kyr, in position units per age unit.
        const double kyr = units::kyrPer(ageUnit_.toStdString()).value_or(1.0);
        rate->setValue(units::typicalRate(units.position.toStdString()) * kyr);
    }
}

void TargetPeriods::rateFromLine(double f, double period) {
    if (f > 0 && period > 0)
        rate->setValue(1.0 / (f * period));
}

void TargetPeriods::apply() {
    std::vector<double> f;
    std::vector<QByteArray> names;
    if (isVisible())
        for (double p : periods()) {
            f.push_back(1.0 / (p * rate->value()));
            names.push_back((displayNumberText(p) + " " + ageUnit_).toUtf8());
        }
    std::vector<const char*> labels;
    for (const QByteArray& n : names)
        labels.push_back(n.constData());
    plotSetGuides(plot_, f.data(), labels.data(), static_cast<int>(f.size()));
}

void TargetPeriods::save() const {
    QSettings settings;
    settings.setValue("targets/periods", periodsText->text());
    settings.setValue("targets/rate", rate->value());
}

void TargetPeriods::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    apply();
}

void TargetPeriods::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    apply();
}
