// The analysis parameters in the user's preferences store (QSettings). Defaults are
// registered as fallbacks: they apply where the user stored nothing and are never written.
// Values are read afresh at the start of every run.
#pragma once

#include "core/analysis/RunParameters.h"
#include "core/series/Preparation.h"

#include <QString>
#include <QVariant>
#include <QVector>

namespace Preferences {

// A key name with its value type and default.
template <typename T> struct TypedKey {
    const char* name;
    T defaultValue;
};

extern const TypedKey<double> timeBandwidthProduct;   // "timeBandwidthProduct", 3.0
extern const TypedKey<int> numberOfTapers;            // "numberOfTapers", 4
extern const TypedKey<int> pointsPerWindow;           // "pointsPerWindow", 400
extern const TypedKey<int> windowIncrement;           // "windowIncrement", 25
extern const TypedKey<int> fftPoints;                 // "fftPoints", 4096
extern const TypedKey<double> fmax;                   // "fmax", 0.06
extern const TypedKey<bool> interpolateToEvenSpacing; // "interpolateToEvenSpacing", false
extern const TypedKey<double> interpolationStep;      // "interpolationStep", 0 (the median)
// The series preparation before a run: log, detrending ("none", "linear", "poly:N",
// "lowess:F"), standardising.
extern const TypedKey<bool> logValues;   // "logValues", false
extern const char* const detrendKey;     // "detrend", "none"
extern const TypedKey<bool> standardise; // "standardise", false
// Each window's own mean or least-squares line removed before tapering ("none", "mean",
// "linear").
extern const char* const windowDetrendKey; // "windowDetrend", "none"

// "probability": significance levels; registered, not read by a run.
QVector<double> probabilityDefaults();

// The preparation the catalogue gives by default.
series::Preparation defaultPreparation();

// Registers the whole table as fallback values (in memory, never saved).
void registerDefaults();

// The stored value converted to the key's type; the registered default, or the key's own
// default, when nothing usable is stored. Never fails.
// The analysis parameters as the preferences hold them.
analysis::RunParameters runParameters();

// The preparation as the preferences hold it; an unreadable detrending reads as none.
series::Preparation preparation();

double read(const TypedKey<double>& key);
int read(const TypedKey<int>& key);
bool read(const TypedKey<bool>& key);

// The fallback registered for a key name (an invalid QVariant when none).
QVariant registeredDefault(const QString& name);

// Writing and removing, for the preferences form. A real number is stored as a person writes
// it (writtenNumber).
void store(const char* name, const QVariant& value);
void remove(const char* name);

} // namespace Preferences
