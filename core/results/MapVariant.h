// What the map's colour shows: the line amplitude as the engine gives it, or a quantity read
// from the amplitude and probability grids (power, log power, amplitude normalised within each
// window, the F-test probability). The contours always stay those of the probability.
#pragma once

#include "core/results/ResultGrids.h"

#include <optional>
#include <string>
#include <vector>

namespace results {

enum class MapOf { Amplitude, Power, LogPower, Normalised, Probability };

// "amplitude", "power", "logpower", "normalised" or "probability".
std::optional<MapOf> parseMapOf(const std::string& name);
std::string mapOfName(MapOf of);
// The colour bar's title.
std::string mapOfTitle(MapOf of);

// The values to colour, laid out as the grids (one row per frequency, one column per window).
// Every value is finite: a log power of zero amplitude takes the lowest log power of the map,
// a window whose amplitudes are all zero stays zero when normalised.
std::vector<double> mapValues(const Grids& g, MapOf of);

// 1 for the cells the Benjamini-Hochberg procedure keeps at false discovery rate q over their
// window's tested bins (p = 1 - probability), 0 for the others; laid out as the grids.
std::vector<double> falseDiscoveryMask(const Grids& g, double q);

} // namespace results
