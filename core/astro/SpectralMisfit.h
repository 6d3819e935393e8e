// The average spectral misfit (Meyers and Sageman 2007, American Journal of Science 307,
// 773-792): at each trial sedimentation rate the significant lines' frequencies, put into
// time, are set against the astronomical target frequencies. Each target resolvable by the
// record (between its Rayleigh and Nyquist frequencies in time) is matched with its nearest
// line; the misfit is the root mean square of those distances, in cycles per kyr. The null
// probability of a rate is the share of random line sets (as many lines, uniform between the
// Rayleigh and Nyquist frequencies) that fit at least as well, and the paper's allowance for
// the number of rates tried makes the best rate's probability n times its own (n rates; the
// paper's critical level of 1/n).
//
// Obliquity is weak or absent in many records: its targets count only where one of them has a
// line within the tapers' half-bandwidth, so that a missing obliquity line never counts against
// a rate. Eccentricity and precession targets always count (unless missingNeverCounts).
#pragma once

#include "core/astro/AstroProblem.h"
#include "core/astro/Targets.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace astro {

// The lines of one record or window, with what bounds them.
struct LineSet {
    std::vector<double> frequencies; // cycles per position unit
    double span = 0;                 // the record's or window's length, position units
    double spacing = 0;              // sample spacing, position units
    double halfBandwidth = 0;        // the tapers' W, cycles per position unit
};

struct MisfitRow {
    double rate = 0;   // cm/kyr
    double misfit = 0; // cycles per kyr
    double pNull = 1;  // (1 + random sets fitting at least as well) / (simulations + 1)
};

struct MisfitScan {
    std::vector<MisfitRow> rows; // the rates with at least two countable targets, increasing
    std::size_t best = 0;        // the row of smallest pNull (ties: the smaller misfit)
    double bestCorrected = 1;    // min(1, rows x pNull of the best)
    std::optional<Problem> problem;
};

struct MisfitSettings {
    double metresPerUnit = 1.0;
    Targets targets;
    int simulations = 0;
    std::uint64_t seed = 1;
    std::uint64_t stream = 0; // a window's index, so that windows draw different line sets
    // Every kind of target (eccentricity, obliquity, precession) counts only where one of its
    // targets has a line within the half-bandwidth, and a rate needs two kinds that count: a
    // missing line never counts against a rate (the cycle identity's rule).
    bool missingNeverCounts = false;
};

// The misfit at each rate (cm/kyr). Refused: no line, or no rate with two countable targets.
MisfitScan spectralMisfit(const LineSet& lines, const std::vector<double>& rates,
                          const MisfitSettings& settings);

// The row at `rate`, if the scan scored it.
const MisfitRow* misfitAt(const MisfitScan& scan, double rate);

// The correction for the number of rates tried.
double correctedNull(const MisfitScan& scan, const MisfitRow& row);

} // namespace astro
