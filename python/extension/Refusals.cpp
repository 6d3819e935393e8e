#include "python/extension/Refusals.h"

#include "core/text/NumberText.h"

namespace pymodule {

std::string numberText(double v) {
    return text::numberText(v);
}

std::string argumentOf(const analysis::Problem& problem, const series::Preparation& preparation) {
    using analysis::Parameter;
    const std::string& t = problem.text;
    const auto says = [&](const char* words) { return t.find(words) != std::string::npos; };
    switch (problem.parameter) {
    case Parameter::Tbw:
        return "tbw";
    case Parameter::Tapers:
        return "tapers";
    case Parameter::Window:
        return "window";
    case Parameter::Step:
        return "step";
    case Parameter::Nfft:
        return "nfft";
    case Parameter::Fmax:
        return "fmax";
    case Parameter::Interpolation:
        return "interpolate";
    case Parameter::Spacing:
        return "positions";
    case Parameter::Preparation:
        if (says("logarithm"))
            return "log";
        if (says("standardis"))
            return "standardise";
        return preparation.detrend.method != series::Detrend::Method::None ? "detrend" : "log";
    case Parameter::Series:
        if (says("holds the position"))
            return "positions";
        if (says("holds the value"))
            return "values";
        return "positions, values";
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
