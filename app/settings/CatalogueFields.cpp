#include "app/settings/CatalogueFields.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSpinBox>

#include <algorithm>
#include <climits>
#include <cmath>

namespace CatalogueFields {

namespace {

const analysis::ParameterEntry& entry(analysis::ParameterId id) {
    return analysis::parameter(id);
}

// The range of the rule at a resolution: a bound not included is passed by one step.
std::pair<double, double> range(const analysis::Rule& r, double resolution, double largest) {
    const double low = std::max(-largest, r.lowestIncluded ? r.lowest : r.lowest + resolution);
    const double high = std::min(largest, r.highestIncluded ? r.highest : r.highest - resolution);
    return {low, high};
}

} // namespace

QString label(analysis::ParameterId id) {
    return QString(entry(id).label) + ":";
}

QString toolTip(analysis::ParameterId id) {
    const analysis::ParameterEntry& e = entry(id);
    QString help = QString(e.help);
    if (e.kind == analysis::ValueKind::Real || e.kind == analysis::ValueKind::Integer)
        help += "; " + QString::fromStdString(analysis::allowedText(e));
    help[0] = help[0].toUpper();
    return help;
}

QSpinBox* wholeField(analysis::ParameterId id, QWidget* parent) {
    const analysis::ParameterEntry& e = entry(id);
    auto* box = new QSpinBox(parent);
    const auto [low, high] = range(e.rule, 1, INT_MAX);
    box->setRange(static_cast<int>(low), static_cast<int>(high));
    box->setValue(static_cast<int>(e.defaultValue));
    box->setToolTip(toolTip(id));
    return box;
}

QDoubleSpinBox* numberField(analysis::ParameterId id, QWidget* parent, int decimals, double value) {
    const analysis::ParameterEntry& e = entry(id);
    auto* box = new QDoubleSpinBox(parent);
    box->setDecimals(decimals);
    const auto [low, high] = range(e.rule, std::pow(10.0, -decimals), largestField);
    box->setRange(low, high);
    box->setValue(value);
    box->setToolTip(toolTip(id));
    return box;
}

QDoubleSpinBox* numberField(analysis::ParameterId id, QWidget* parent, int decimals) {
    return numberField(id, parent, decimals, entry(id).defaultValue);
}

QCheckBox* switchField(analysis::ParameterId id, QWidget* parent) {
    auto* box = new QCheckBox(entry(id).label, parent);
    box->setToolTip(toolTip(id));
    return box;
}

} // namespace CatalogueFields
