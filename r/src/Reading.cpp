// read_result() and the catalogue of parameters, from which the functions take their defaults.
#include "rpackage/Interface.h"

#include "core/series/SeriesFile.h"

// [[Rcpp::export(name = ".read_result")]]
SEXP readResult(std::string path) {
    return rpackage::guarded([&]() -> SEXP {
        std::string why;
        const auto text = series::readText(path, &why);
        if (!text)
            rpackage::refuse("path", "cannot read " + path + ": " + why);
        try {
            return rpackage::tables(*text);
        } catch (const std::runtime_error& e) {
            rpackage::refuse("path", path + ": " + e.what());
        }
    });
}

// [[Rcpp::export(name = ".catalogue")]]
Rcpp::List catalogue() {
    using analysis::Command;
    const std::pair<Command, const char*> commands[] = {
        {Command::Analyze, "analyze"},   {Command::Peaks, "peaks"},
        {Command::Spectrum, "spectrum"}, {Command::Trace, "trace"},
        {Command::Tune, "tune"},         {Command::Tapers, "tapers"},
        {Command::Filter, "filter"},     {Command::TimeOpt, "timeopt"},
        {Command::ETimeOpt, "etimeopt"}, {Command::Misfit, "asm"}};
    Rcpp::CharacterVector keyword, command, kind, defaultText;
    Rcpp::NumericVector defaultValue, low, high;
    for (const analysis::ParameterEntry& e : analysis::parameterCatalogue())
        for (const auto& [c, name] : commands) {
            if (!analysis::takes(e.commands, c) || e.keyword[0] == '\0')
                continue;
            keyword.push_back(e.keyword);
            command.push_back(name);
            kind.push_back(e.kind == analysis::ValueKind::Real      ? "real"
                           : e.kind == analysis::ValueKind::Integer ? "whole"
                           : e.kind == analysis::ValueKind::Switch  ? "switch"
                                                                    : "text");
            defaultValue.push_back(e.defaultValue);
            defaultText.push_back(e.defaultText);
            const bool limits = std::string_view(e.defaultText).find(':') != std::string::npos &&
                                e.kind == analysis::ValueKind::Text;
            const auto pair = limits ? analysis::defaultLimits(e.id) : std::pair{NA_REAL, NA_REAL};
            low.push_back(pair.first);
            high.push_back(pair.second);
        }
    return Rcpp::DataFrame::create(
        Rcpp::Named("keyword") = keyword, Rcpp::Named("command") = command,
        Rcpp::Named("kind") = kind, Rcpp::Named("default") = defaultValue,
        Rcpp::Named("default_text") = defaultText, Rcpp::Named("low") = low,
        Rcpp::Named("high") = high, Rcpp::Named("stringsAsFactors") = false);
}

// [[Rcpp::export(name = ".version")]]
std::string version() {
    return TONALITH_VERSION;
}
