#include "python/extension/Refusals.h"

#include "core/text/NumberText.h"

namespace pymodule {

std::string keywordOf(const analysis::Problem& problem) {
    if (problem.parameter)
        return analysis::parameter(*problem.parameter).keyword;
    switch (problem.stage == analysis::Stage::Spacing ? analysis::SeriesField::Positions
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
    using analysis::Stage;
    switch (problem.stage) {
    case Stage::File:
        return "cannot read " + file + ": " + problem.text;
    case Stage::Column:
        return "column " + column + ": " + problem.text;
    case Stage::Data:
        return file + ": no data: " + problem.text;
    default:
        return file + ": " + problem.text;
    }
}

} // namespace pymodule
