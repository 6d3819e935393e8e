// What tonalith-cli accepts as an option's value, as CLI11 validators: the strict number rules,
// the catalogue's rule of a parameter, and the structured values (a band, a start, a size, a
// figure file, a choice of words). Each refusal is the text CLI11 puts after the option's name.
#pragma once

#include "core/analysis/ParameterCatalogue.h"
#include "core/astro/BandPass.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace cli {

// Strict number parsing of option values (C locale, whole text).
std::optional<double> parseReal(const std::string& text);
std::optional<int> parseInteger(const std::string& text);

// A validator from a check that says what is wrong with a value, or nothing.
CLI::Validator refusing(const std::function<std::string(const std::string&)>& why);

// The whole text a number, in the C locale.
const CLI::Validator& realNumber();

// A number of the catalogue: by the strict rule and, when ruled, by the entry's range and
// wholeness; passed on written exactly as read (CLI11 itself reads through long double and takes
// a leading 0 for octal). A transform: CLI11 runs it before the checks.
CLI::Validator catalogueNumber(const analysis::ParameterEntry& e, bool whole, bool ruled);

// A figure file: .pdf, .png or .svg by its extension.
const CLI::Validator& figureFile();

// One of the words a parser knows, refused as "'x' is not <words>".
CLI::Validator oneOf(const std::function<bool(const std::string&)>& known,
                     const std::string& words);

// WxH, each between 1 and 20000.
std::optional<std::pair<double, double>> parseSize(const std::string& s);
const CLI::Validator& figureSize();

// POSITION:FREQUENCY, both finite, the frequency within its rule.
std::optional<std::pair<double, double>> parseStart(const std::string& s);
const CLI::Validator& startPoint();

// P or P:SD, the period and its standard deviation (0 when not given), each within its rule.
// The refusal says which is at fault.
std::optional<std::pair<double, double>> parsePeriod(const std::string& s, std::string* why);
const CLI::Validator& periodWithSd();

// POSITION:AGE or POSITION:AGE:SD.
const CLI::Validator& anchorPoint();

// FLO:FHI, two finite numbers with FLO below FHI (where the band may lie is the run's to say).
std::optional<astro::Band> parseBand(const std::string& s);
const CLI::Validator& frequencyBand();

} // namespace cli
