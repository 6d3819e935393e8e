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

#include <algorithm>
#include <vector>

namespace {

// The plot layer takes the guides' labels as C strings; names must outlive them.
std::vector<const char*> labelPointers(const std::vector<QByteArray>& names) {
    std::vector<const char*> labels;
    labels.reserve(names.size());
    for (const QByteArray& n : names)
        labels.push_back(n.constData());
    return labels;
}

} // namespace

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
    followNote_ = new QLabel("(the guides follow the astronomical test's track)", this);
    followNote_->hide();
    row->addWidget(followNote_);
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

void TargetPeriods::setTestTrack(std::optional<TestTrack> track) {
    track_ = std::move(track);
    rate->setEnabled(!track_);
    followNote_->setVisible(track_.has_value());
    apply();
}

bool TargetPeriods::followTrack(const QList<double>& periods,
                                const std::vector<QByteArray>& names) {
    const auto kyr = units::kyrPer(ageUnit_.toStdString());
    if (!kyr)
        return false;
    double xmin = 0, xmax = 0, y[4];
    plotGetIntervals(plot_, &xmin, &xmax, &y[0], &y[1], &y[2], &y[3]);
    // Across the map's range and the track's: its ends and the track's rows between them, each
    // stretch cut in eight (between rows the rate is linear, the frequency 1 / (P s) is not).
    const std::vector<double>& rows = track_->rates.position;
    const double low = std::min({xmin, xmax, rows.front()});
    const double high = std::max({xmin, xmax, rows.back()});
    if (!(high > low))
        return false;
    std::vector<double> knots = {low};
    for (double z : rows)
        if (z > low && z < high)
            knots.push_back(z);
    knots.push_back(high);
    std::vector<double> x;
    for (std::size_t k = 0; k + 1 < knots.size(); ++k)
        for (int j = 0; j < 8; ++j)
            x.push_back(knots[k] + (knots[k + 1] - knots[k]) * j / 8);
    x.push_back(high);
    std::vector<double> f;
    for (double p : periods)
        for (double z : x)
            f.push_back(1.0 / (p * *kyr * track_->unitsPerKyr(z)));
    const std::vector<const char*> labels = labelPointers(names);
    plotSetGuideCurves(plot_, x.data(), f.data(), static_cast<int>(x.size()), labels.data(),
                       static_cast<int>(labels.size()));
    return true;
}

void TargetPeriods::apply() {
    std::vector<double> f;
    std::vector<QByteArray> names;
    const QList<double> shown = isVisible() ? periods() : QList<double>();
    for (double p : shown) {
        f.push_back(1.0 / (p * rate->value()));
        names.push_back((displayNumberText(p) + " " + ageUnit_).toUtf8());
    }
    if (track_ && !shown.isEmpty() && followTrack(shown, names))
        return;
    const std::vector<const char*> labels = labelPointers(names);
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
