// A zero-phase band-pass with smooth edges and the amplitude envelope of its output. The gain
// is 1 within [low, high] and falls to 0 along a raised cosine over a quarter of the band's
// width beyond each edge (not below frequency 0), so the filter rings little. The series is
// zero-padded to at least twice its length, so that its two ends do not wrap into each other.
// The envelope is the modulus of the analytic signal: the transform's positive frequencies
// doubled, the negative ones dropped.
#pragma once

#include "core/astro/AstroProblem.h"

#include <complex>
#include <cstddef>
#include <optional>
#include <vector>

namespace astro {

struct Band {
    double low = 0, high = 0; // cycles per unit of the samples' spacing
};

// The gain at frequency f (same unit as the band).
double passbandGain(const Band& band, double f);

// The bins of an analytic spectrum that the band keeps, for a transform of `length` points
// whose bins are binWidth apart: from bin `first` on, each with its weight (twice the gain;
// the gain alone at bins 0 and length / 2, which have no negative twin).
struct BandBins {
    std::size_t first = 0;
    std::vector<double> weight;
};
BandBins bandBins(const Band& band, std::size_t length, double binWidth);

// The transform length used for n samples.
std::size_t paddedLength(std::size_t n);

// The band's limits checked against the record's Nyquist frequency 1 / (2 spacing).
std::optional<Problem> checkPassband(const Band& band, double spacing);

struct BandPassed {
    std::vector<double> filtered, envelope; // one per sample
    std::optional<Problem> problem;
};

// The values (evenly spaced by `spacing`, at least 2) band-passed; their mean does not matter.
BandPassed bandPass(const std::vector<double>& values, double spacing, const Band& band);

} // namespace astro
