#include "app/Preferences.h"

#include "core/results/SignificanceLevels.h"

#include <QHash>
#include <QSettings>

#include <cmath>

namespace Preferences {

namespace {

int wholeDefault(analysis::ParameterId id) {
    return static_cast<int>(analysis::parameterDefault(id));
}

} // namespace

// The defaults are the catalogue's.
const TypedKey<double> timeBandwidthProduct{"timeBandwidthProduct",
                                            analysis::parameterDefault(analysis::ParameterId::Tbw)};
const TypedKey<int> numberOfTapers{"numberOfTapers", wholeDefault(analysis::ParameterId::Tapers)};
const TypedKey<int> pointsPerWindow{"pointsPerWindow", wholeDefault(analysis::ParameterId::Window)};
const TypedKey<int> windowIncrement{"windowIncrement", wholeDefault(analysis::ParameterId::Step)};
const TypedKey<int> fftPoints{"fftPoints", wholeDefault(analysis::ParameterId::Nfft)};
const TypedKey<double> fmax{"fmax", analysis::parameterDefault(analysis::ParameterId::Fmax)};
const TypedKey<bool> interpolateToEvenSpacing{"interpolateToEvenSpacing", false};
const TypedKey<double> interpolationStep{"interpolationStep", 0.0};
const TypedKey<bool> logValues{"logValues", false};
const char* const detrendKey = "detrend";
const TypedKey<bool> standardise{"standardise", false};
const char* const windowDetrendKey = "windowDetrend";

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
    p.tapers = read(numberOfTapers);
    p.window = read(pointsPerWindow);
    p.step = read(windowIncrement);
    p.nfft = read(fftPoints);
    p.fmax = read(fmax);
    // An unreadable choice reads as none, like an unreadable detrending.
    const std::string how = QSettings().value(windowDetrendKey, "none").toString().toStdString();
    p.windowDetrend = analysis::parseWindowDetrend(how).value_or(analysis::WindowDetrend::None);
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
    r.insert(windowDetrendKey, "none");
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
