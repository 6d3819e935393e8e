#include "app/run/ParameterRefusals.h"

QString refusalNamingPreference(const analysis::Problem& problem) {
    QString text = QString::fromStdString(problem.text);
    if (!problem.parameter)
        return text;
    // Resampling is refused for the step its field holds.
    const auto id = *problem.parameter == analysis::ParameterId::Interpolate
                        ? analysis::ParameterId::InterpolationStep
                        : *problem.parameter;
    return QString(analysis::parameter(id).label) + ": " + text;
}
