// A zero-phase band-pass with smooth edges and the amplitude envelope of its output. The gain
// is 1 within [low, high] and falls to 0 along a raised cosine over a quarter of the band's
// width beyond each edge (not below frequency 0), so the filter rings little. The series is
// zero-padded to at least twice its length, so that its two ends do not wrap into each other.
// The envelope is the modulus of the analytic signal: the transform's positive frequencies
// doubled, the negative ones dropped. Near the record's ends the filter sees only part of its
// span and the envelope sags: the samples where the envelope of a unit sinusoid at the band's
// centre, filtered alike over the same samples, falls below trustedEnvelope are the record's
// edge, where neither output can be trusted.
#pragma once

#include "core/astro/AstroProblem.h"
#include "core/astro/Fft.h"

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

// The share of a unit sinusoid's envelope below which a sample lies on the record's edge.
constexpr double trustedEnvelope = 0.9;

// Per sample of n (fft.length() = paddedLength(n), bins the band's for it): whether the envelope
// of a unit cosine at `centre` cycles per sample, passed through the bins, falls below
// trustedEnvelope.
std::vector<bool> edgeSamples(const Fft& fft, const BandBins& bins, std::size_t n, double centre);

struct BandPassed {
    std::vector<double> filtered, envelope; // one per sample
    std::vector<bool> edge;                 // one per sample: on the record's edge
    std::optional<Problem> problem;
};

// The values (evenly spaced by `spacing`, at least 2) band-passed; their mean does not matter.
BandPassed bandPass(const std::vector<double>& values, double spacing, const Band& band);

} // namespace astro
