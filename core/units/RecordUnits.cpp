#include "core/units/RecordUnits.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <regex>
#include <vector>

namespace units {

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// A unit as it is written, with the spellings that mean the same.
struct Spelling {
    const char* text;
    const char* unit;
};
const Spelling spellings[] = {
    {"m", "m"},    {"cm", "cm"},  {"mm", "mm"},   {"mbsf", "m"},  {"mcd", "m"}, {"rmcd", "m"},
    {"amcd", "m"}, {"ccsf", "m"}, {"csf", "m"},   {"kyr", "kyr"}, {"ka", "ka"}, {"kyrs", "kyr"},
    {"yr", "yr"},  {"yrs", "yr"}, {"myr", "Myr"}, {"ma", "Ma"},
};

} // namespace

std::string guessUnit(const std::string& columnTitle) {
    // The words of the title, last first: the unit usually ends it ("depth_m", "age (ka)").
    const std::string title = lower(columnTitle);
    std::vector<std::string> words;
    static const std::regex word("[a-z]+");
    for (auto it = std::sregex_iterator(title.begin(), title.end(), word);
         it != std::sregex_iterator(); ++it)
        words.push_back(it->str());
    for (auto w = words.rbegin(); w != words.rend(); ++w) {
        if (*w == "bp")
            continue; // "ka BP": the unit comes before
        if (w + 1 == words.rend() && words.size() > 1)
            break; // the first word of several names the quantity ("depth", "age")
        for (const Spelling& s : spellings)
            if (*w == s.text)
                return s.unit;
    }
    return std::string();
}

std::optional<double> metresPer(const std::string& unit) {
    if (unit == "m")
        return 1.0;
    if (unit == "cm")
        return 0.01;
    if (unit == "mm")
        return 0.001;
    return std::nullopt;
}

std::optional<double> kyrPer(const std::string& unit) {
    const std::string u = lower(unit);
    if (u == "kyr" || u == "ka")
        return 1.0;
    if (u == "yr" || u == "a")
        return 0.001;
    if (u == "myr" || u == "ma")
        return 1000.0;
    return std::nullopt;
}

std::optional<double> cmPerKyrFactor(const std::string& positionUnit, const std::string& ageUnit) {
    const auto metres = metresPer(positionUnit);
    const auto kyr = kyrPer(ageUnit);
    if (!metres || !kyr)
        return std::nullopt;
    return *metres * 100.0 / *kyr;
}

double typicalRate(const std::string& positionUnit) {
    if (const auto metres = metresPer(positionUnit))
        return 0.015 / *metres;
    if (const auto kyr = kyrPer(positionUnit))
        return 1.0 / *kyr;
    return 1.0;
}

int samplesIn(double length, double spacing) {
    const double n = std::round(length / spacing);
    return n >= static_cast<double>(INT_MAX) ? INT_MAX : n >= 1 ? static_cast<int>(n) : 0;
}

} // namespace units
