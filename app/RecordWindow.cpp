#include "app/RecordWindow.h"

#include "app/Preferences.h"
#include "core/units/RecordUnits.h"

#include <QSettings>

#include <algorithm>
#include <cmath>

namespace RecordWindow {

const char* const keepKey = "keepWindowInRecordUnits";

namespace {
const char* const lengthKey = "recordWindow/length";
const char* const stepKey = "recordWindow/step";
const char* const fmaxKey = "recordWindow/fmaxPerUnit";
} // namespace

bool keep() {
    return QSettings().value(keepKey, false).toBool();
}

void setKeep(bool on) {
    if (on)
        QSettings().setValue(keepKey, true);
    else
        QSettings().remove(keepKey);
}

std::optional<Physical> stored() {
    QSettings s;
    const Physical p{s.value(lengthKey).toDouble(), s.value(stepKey).toDouble(),
                     s.value(fmaxKey).toDouble()};
    if (!(p.length > 0 && p.step > 0 && p.fmaxPerUnit > 0))
        return std::nullopt;
    return p;
}

void store(const Physical& window) {
    QSettings s;
    s.setValue(lengthKey, window.length);
    s.setValue(stepKey, window.step);
    s.setValue(fmaxKey, window.fmaxPerUnit);
}

Physical inUnitsOf(double spacing) {
    return {Preferences::read(Preferences::pointsPerWindow) * spacing,
            Preferences::read(Preferences::windowIncrement) * spacing,
            Preferences::read(Preferences::fmax) / spacing};
}

void applyTo(double spacing) {
    const auto p = stored();
    if (!p || !(spacing > 0) || !std::isfinite(spacing))
        return;
    const auto samples = [&](double length) {
        return std::max(1, units::samplesIn(length, spacing));
    };
    Preferences::store(Preferences::pointsPerWindow.name, std::max(2, samples(p->length)));
    Preferences::store(Preferences::windowIncrement.name, samples(p->step));
    Preferences::store(Preferences::fmax.name, std::min(0.5, p->fmaxPerUnit * spacing));
}

} // namespace RecordWindow
