#include "app/settings/Preferences.h"

#include "core/results/SignificanceLevels.h"
#include "core/text/NumberText.h"

#include <QHash>
#include <QSettings>

#include <cmath>

namespace Preferences {

namespace {

// A key as the catalogue names it, with the catalogue's default.
template <typename T> TypedKey<T> keyOf(analysis::ParameterId id) {
    const analysis::ParameterEntry& e = analysis::parameter(id);
    return {e.settingsKey, static_cast<T>(e.defaultValue)};
}

} // namespace

using analysis::ParameterId;
const TypedKey<double> timeBandwidthProduct = keyOf<double>(ParameterId::Tbw);
const TypedKey<int> numberOfTapers = keyOf<int>(ParameterId::Tapers);
const TypedKey<int> pointsPerWindow = keyOf<int>(ParameterId::Window);
const TypedKey<int> windowIncrement = keyOf<int>(ParameterId::Step);
const TypedKey<int> fftPoints = keyOf<int>(ParameterId::Nfft);
const TypedKey<double> fmax = keyOf<double>(ParameterId::Fmax);
const TypedKey<bool> interpolateToEvenSpacing = keyOf<bool>(ParameterId::Interpolate);
const TypedKey<double> interpolationStep = keyOf<double>(ParameterId::InterpolationStep);
const TypedKey<bool> logValues = keyOf<bool>(ParameterId::Log);
const char* const detrendKey = analysis::parameter(ParameterId::Detrend).settingsKey;
const TypedKey<bool> standardise = keyOf<bool>(ParameterId::Standardise);
const char* const windowDetrendKey = analysis::parameter(ParameterId::WindowDetrend).settingsKey;

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
    const std::string how = QSettings()
                                .value(windowDetrendKey, registeredDefault(windowDetrendKey))
                                .toString()
                                .toStdString();
    p.windowDetrend = analysis::parseWindowDetrend(how).value_or(analysis::WindowDetrend::None);
    return p;
}

series::Preparation preparation() {
    series::Preparation p = defaultPreparation();
    p.log = read(logValues);
    p.standardise = read(standardise);
    const std::string text =
        QSettings().value(detrendKey, registeredDefault(detrendKey)).toString().toStdString();
    if (const auto d = series::parseDetrend(text))
        p.detrend = *d;
    return p;
}

series::Preparation defaultPreparation() {
    series::Preparation p;
    p.detrend = *series::parseDetrend(analysis::parameter(ParameterId::Detrend).defaultText);
    return p;
}

void registerDefaults() {
    QHash<QString, QVariant>& r = registered();
    for (const analysis::ParameterEntry& e : analysis::parameterCatalogue()) {
        if (!*e.settingsKey)
            continue;
        switch (e.kind) {
        case analysis::ValueKind::Integer:
            r.insert(e.settingsKey, static_cast<int>(e.defaultValue));
            break;
        case analysis::ValueKind::Real:
            r.insert(e.settingsKey, e.defaultValue);
            break;
        case analysis::ValueKind::Switch:
            r.insert(e.settingsKey, false);
            break;
        case analysis::ValueKind::Text:
            r.insert(e.settingsKey, QString(e.defaultText));
            break;
        }
    }
    // The levels are a list, not the text the catalogue states them in.
    QVariantList levels;
    for (double p : probabilityDefaults())
        levels << p;
    r.insert(analysis::parameter(ParameterId::SignificanceLevels).settingsKey, levels);
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
    // A number as the user would type it: a length or a frequency converted from samples holds
    // the noise of that arithmetic (1.999999999998), which the settings file does not keep.
    if (value.userType() == QMetaType::Double)
        QSettings().setValue(name, QString::fromStdString(text::writtenNumber(value.toDouble())));
    else
        QSettings().setValue(name, value);
}

void remove(const char* name) {
    QSettings().remove(name);
}

} // namespace Preferences
