#include "app/ParameterRefusals.h"

#include <optional>

namespace {

// The Preferences field of a parameter: resampling is refused for the step its field holds.
std::optional<analysis::ParameterId> entryFor(analysis::Parameter parameter) {
    const auto id = analysis::parameterIdOf(parameter);
    return id == analysis::ParameterId::Interpolate ? analysis::ParameterId::InterpolationStep : id;
}

} // namespace

QString preferencesLabel(analysis::Parameter parameter) {
    const auto id = entryFor(parameter);
    return id ? QString(analysis::parameter(*id).label) : QString();
}

QString refusalNamingPreference(const analysis::Problem& problem) {
    const QString text = QString::fromStdString(problem.text);
    const QString label = preferencesLabel(problem.parameter);
    return label.isEmpty() ? text : label + ": " + text;
}
