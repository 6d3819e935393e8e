#include "app/Preferences.h"

#include "core/results/SignificanceLevels.h"

#include <QHash>
#include <QSettings>

#include <cmath>

namespace Preferences {

const TypedKey<double> timeBandwidthProduct{"timeBandwidthProduct", 3.0};
const TypedKey<int> numberOfTapers{"numberOfTapers", 4};
const TypedKey<int> pointsPerWindow{"pointsPerWindow", 400};
const TypedKey<int> windowIncrement{"windowIncrement", 25};
const TypedKey<int> fftPoints{"fftPoints", 4096};
const TypedKey<double> fmax{"fmax", 0.06};
const TypedKey<bool> interpolateToEvenSpacing{"interpolateToEvenSpacing", false};
const TypedKey<double> interpolationStep{"interpolationStep", 0.0};
const TypedKey<bool> logValues{"logValues", false};
const char* const detrendKey = "detrend";
const TypedKey<bool> standardise{"standardise", false};

namespace {

// The registration domain: consulted after the user's values, kept only in memory.
QHash<QString, QVariant>& registered() {
    static QHash<QString, QVariant> table;
    return table;
}

template <typename T> T fallback(const TypedKey<T>& key) {
    const QVariant v = registered().value(key.name);
    return v.isValid() ? v.value<T>() : key.defaultValue;
}

} // namespace

QVector<double> probabilityDefaults() {
    const auto& levels = results::significanceLevels;
    return QVector<double>(levels.begin(), levels.end());
}

analysis::RunParameters runParameters() {
    analysis::RunParameters p;
    p.tbw = read(timeBandwidthProduct);
    p.kspec = read(numberOfTapers);
    p.mpts = read(pointsPerWindow);
    p.inc = read(windowIncrement);
    p.nfft = read(fftPoints);
    p.fmax = read(fmax);
    return p;
}

series::Preparation preparation() {
    series::Preparation p;
    p.log = read(logValues);
    p.standardise = read(standardise);
    const std::string text = QSettings().value(detrendKey, "none").toString().toStdString();
    if (const auto d = series::parseDetrend(text))
        p.detrend = *d;
    return p;
}

void registerDefaults() {
    QHash<QString, QVariant>& r = registered();
    r.insert(timeBandwidthProduct.name, timeBandwidthProduct.defaultValue);
    r.insert(numberOfTapers.name, numberOfTapers.defaultValue);
    r.insert(pointsPerWindow.name, pointsPerWindow.defaultValue);
    r.insert(windowIncrement.name, windowIncrement.defaultValue);
    r.insert(fftPoints.name, fftPoints.defaultValue);
    r.insert(fmax.name, fmax.defaultValue);
    r.insert(interpolateToEvenSpacing.name, interpolateToEvenSpacing.defaultValue);
    r.insert(interpolationStep.name, interpolationStep.defaultValue);
    r.insert(logValues.name, logValues.defaultValue);
    r.insert(detrendKey, "none");
    r.insert(standardise.name, standardise.defaultValue);
    QVariantList levels;
    for (double p : probabilityDefaults())
        levels << p;
    r.insert("probability", levels);
}

double read(const TypedKey<double>& key) {
    const QVariant v = QSettings().value(key.name);
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && std::isfinite(d) ? d : fallback(key);
}

int read(const TypedKey<int>& key) {
    const QVariant v = QSettings().value(key.name);
    bool ok = false;
    const int i = v.toInt(&ok);
    return ok ? i : fallback(key);
}

bool read(const TypedKey<bool>& key) {
    const QVariant v = QSettings().value(key.name);
    return v.isValid() && v.canConvert<bool>() ? v.toBool() : fallback(key);
}

QVariant registeredDefault(const QString& name) {
    return registered().value(name);
}

void store(const char* name, const QVariant& value) {
    QSettings().setValue(name, value);
}

void remove(const char* name) {
    QSettings().remove(name);
}

} // namespace Preferences
