#include "python/extension/Refusals.h"

#include "core/text/NumberText.h"

namespace pymodule {

std::string numberText(double v) {
    return text::numberText(v);
}

std::string keywordOf(const analysis::Problem& problem) {
    if (const auto id = analysis::argumentOf(problem))
        return analysis::parameter(*id).keyword;
    switch (problem.parameter == analysis::Parameter::Spacing ? analysis::SeriesField::Positions
                                                              : problem.field) {
    case analysis::SeriesField::Positions:
        return "positions";
    case analysis::SeriesField::Values:
        return "values";
    default:
        return "positions, values";
    }
}

std::string loadRefusal(const analysis::Problem& problem, const std::string& file,
                        const std::string& column) {
    using analysis::Parameter;
    switch (problem.parameter) {
    case Parameter::File:
        return "cannot read " + file + ": " + problem.text;
    case Parameter::Column:
        return "column " + column + ": " + problem.text;
    case Parameter::NoData:
        return file + ": no data: " + problem.text;
    default:
        return file + ": " + problem.text;
    }
}

} // namespace pymodule
