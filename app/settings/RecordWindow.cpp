#include "app/settings/RecordWindow.h"

#include "app/settings/Preferences.h"
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
    Preferences::store(lengthKey, window.length);
    Preferences::store(stepKey, window.step);
    Preferences::store(fmaxKey, window.fmaxPerUnit);
}

Physical inUnitsOf(double spacing) {
    return {Preferences::read(Preferences::pointsPerWindow) * spacing,
            Preferences::read(Preferences::windowIncrement) * spacing,
            Preferences::read(Preferences::fmax) / spacing};
}

} // namespace RecordWindow
