#include "app/TargetPeriods.h"

#include "app/NumberText.h"

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
    rate = new QDoubleSpinBox(this);
    rate->setDecimals(4);
    rate->setRange(1e-6, 1e9);
    rate->setValue(settings.value("targets/rate", 1.0).toDouble());
    rate->setToolTip("Trial sedimentation rate, in position units per kyr (1 for a record in "
                     "kyr): the guides sit at f = 1 / (P x rate)");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel("Target periods (kyr):", this));
    row->addWidget(periodsText, 1);
    row->addWidget(new QLabel("at a sedimentation rate of", this));
    row->addWidget(rate);
    row->addWidget(new QLabel("units per kyr", this));
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

void TargetPeriods::apply() {
    std::vector<double> f;
    std::vector<QByteArray> names;
    if (isVisible())
        for (double p : periods()) {
            f.push_back(1.0 / (p * rate->value()));
            names.push_back(numberText(p).toUtf8() + " kyr");
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
