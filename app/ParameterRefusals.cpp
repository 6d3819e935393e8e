#include "app/ParameterRefusals.h"

#include <optional>

namespace {

std::optional<analysis::ParameterId> entryFor(analysis::Parameter parameter) {
    using analysis::Parameter;
    using analysis::ParameterId;
    switch (parameter) {
    case Parameter::Tbw:
        return ParameterId::Tbw;
    case Parameter::Tapers:
        return ParameterId::Tapers;
    case Parameter::Window:
        return ParameterId::Window;
    case Parameter::Step:
        return ParameterId::Step;
    case Parameter::Nfft:
        return ParameterId::Nfft;
    case Parameter::Fmax:
        return ParameterId::Fmax;
    case Parameter::Interpolation:
        return ParameterId::InterpolationStep;
    default:
        return std::nullopt;
    }
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
