#include "cli/OptionRules.h"

#include "core/series/SeriesFile.h"
#include "core/tuning/AgeEnsemble.h"
#include "core/tuning/Anchors.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace cli {

namespace {

using analysis::ParameterId;

std::string inQuotes(const std::string& s) {
    return "'" + s + "'";
}

// Hexadecimal floating point: long double holds every double exactly.
std::string exactly(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%a", v);
    return text;
}

} // namespace

std::optional<double> parseReal(const std::string& text) {
    return series::parseNumber(text);
}

std::optional<int> parseInteger(const std::string& text) {
    if (text.empty() || text.size() > 32)
        return std::nullopt;
    std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (i == text.size())
        return std::nullopt;
    for (std::size_t j = i; j < text.size(); ++j)
        if (text[j] < '0' || text[j] > '9')
            return std::nullopt;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX)
        return std::nullopt;
    return static_cast<int>(v);
}

CLI::Validator refusing(const std::function<std::string(const std::string&)>& why) {
    return CLI::Validator([why](std::string& s) { return why(s); }, "");
}

const CLI::Validator& realNumber() {
    static const CLI::Validator v = refusing([](const std::string& s) {
        return parseReal(s) ? std::string() : inQuotes(s) + " is not a number";
    });
    return v;
}

CLI::Validator catalogueNumber(const analysis::ParameterEntry& e, bool whole, bool ruled) {
    return CLI::Validator(
        [&e, whole, ruled](std::string& s) {
            const auto value = parseReal(s);
            if (whole ? !parseInteger(s) : !value)
                return inQuotes(s) + (whole ? " is not a whole number" : " is not a number");
            if (const auto problem = ruled ? analysis::checkValue(e, *value, e.flag) : std::nullopt)
                return problem->text;
            s = whole ? std::to_string(*parseInteger(s)) : exactly(*value);
            return std::string();
        },
        "");
}

const CLI::Validator& figureFile() {
    static const CLI::Validator v = refusing([](const std::string& s) {
        const std::size_t dot = s.rfind('.');
        std::string ext = dot == std::string::npos ? "" : s.substr(dot + 1);
        for (char& ch : ext)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return s.empty() || ext == "pdf" || ext == "png" || ext == "svg"
                   ? std::string()
                   : inQuotes(s) + " does not end in .pdf, .png or .svg";
    });
    return v;
}

CLI::Validator oneOf(const std::function<bool(const std::string&)>& known,
                     const std::string& words) {
    return refusing([known, words](const std::string& s) {
        return known(s) ? std::string() : inQuotes(s) + " is not " + words;
    });
}

std::optional<std::pair<double, double>> parseSize(const std::string& s) {
    const std::size_t x = s.find_first_of("xX");
    const auto w = x == std::string::npos ? std::nullopt : parseReal(s.substr(0, x));
    const auto h = x == std::string::npos ? std::nullopt : parseReal(s.substr(x + 1));
    if (w && h && *w >= 1 && *h >= 1 && *w <= 20000 && *h <= 20000)
        return std::pair{*w, *h};
    return std::nullopt;
}

const CLI::Validator& figureSize() {
    static const CLI::Validator v = refusing([](const std::string& s) {
        return parseSize(s) ? std::string()
                            : inQuotes(s) + " is not a size WxH between 1x1 and 20000x20000";
    });
    return v;
}

std::optional<std::pair<double, double>> parseStart(const std::string& s) {
    const std::size_t colon = s.find(':');
    const auto x = colon == std::string::npos ? std::nullopt : parseReal(s.substr(0, colon));
    const auto f = colon == std::string::npos ? std::nullopt : parseReal(s.substr(colon + 1));
    if (x && f && std::isfinite(*x) &&
        !analysis::checkValue(analysis::parameter(ParameterId::StartFrequency), *f, ""))
        return std::pair{*x, *f};
    return std::nullopt;
}

const CLI::Validator& startPoint() {
    static const CLI::Validator v = refusing([](const std::string& s) {
        return parseStart(s) ? std::string()
                             : inQuotes(s) + " is not POSITION:FREQUENCY with a frequency above 0";
    });
    return v;
}

std::optional<astro::Band> parseBand(const std::string& s) {
    const std::size_t colon = s.find(':');
    const auto low = colon == std::string::npos ? std::nullopt : parseReal(s.substr(0, colon));
    const auto high = colon == std::string::npos ? std::nullopt : parseReal(s.substr(colon + 1));
    if (low && high && std::isfinite(*low) && std::isfinite(*high) && *low < *high)
        return astro::Band{*low, *high};
    return std::nullopt;
}

const CLI::Validator& frequencyBand() {
    static const CLI::Validator v = refusing([](const std::string& s) {
        return parseBand(s) ? std::string()
                            : inQuotes(s) + " is not FLO:FHI, two numbers with FLO below FHI";
    });
    return v;
}

std::optional<std::pair<double, double>> parsePeriod(const std::string& s, std::string* why) {
    const std::size_t colon = s.find(':');
    const std::string p = s.substr(0, colon);
    const std::string sd = colon == std::string::npos ? "0" : s.substr(colon + 1);
    const auto period = parseReal(p), spread = parseReal(sd);
    if (!period || !spread) {
        *why = inQuotes(s) + " is not P or P:SD (the period and its standard deviation)";
        return std::nullopt;
    }
    const analysis::ParameterEntry& pe = analysis::parameter(ParameterId::Period);
    const analysis::ParameterEntry& se = analysis::parameter(ParameterId::PeriodSd);
    if (const auto problem = analysis::checkValue(pe, *period, pe.flag)) {
        *why = problem->text;
        return std::nullopt;
    }
    if (const auto problem = analysis::checkValue(se, *spread, se.flag)) {
        *why = problem->text;
        return std::nullopt;
    }
    if (const auto problem = tuning::periodSdProblem(*period, *spread)) {
        *why = *problem;
        return std::nullopt;
    }
    return std::pair{*period, *spread};
}

const CLI::Validator& periodWithSd() {
    static const CLI::Validator v = refusing([](const std::string& s) {
        std::string why;
        return parsePeriod(s, &why) ? std::string() : why;
    });
    return v;
}

const CLI::Validator& anchorPoint() {
    static const CLI::Validator v = refusing([](const std::string& s) {
        std::string why;
        return tuning::parseAnchor(s, &why) ? std::string() : why;
    });
    return v;
}

} // namespace cli
