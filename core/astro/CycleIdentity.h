// Which astronomical cycle the test's optimum is, from both halves of the evidence: the
// amplitude test (r2_opt, core/astro/TimeOpt.h) proposes candidate rates, the local maxima of
// r2_opt above half the largest; the lines' misfit (core/astro/SpectralMisfit.h) decides among
// them: of the candidates whose corrected null probability is within a factor of two of the
// smallest, the identified rate is that of the largest r2_opt, among those that no candidate
// within a factor 1.25 outscores on r2_opt (such neighbours read the lines as the same cycles,
// which the misfit cannot tell apart). A candidate about twice or half as fast (obliquity taken for
// precession, or the reverse) is named as the alternative.
#pragma once

#include "core/astro/SpectralMisfit.h"
#include "core/astro/TimeOpt.h"
#include "core/tuning/NeighbourReadings.h"

#include <optional>
#include <string>
#include <vector>

namespace astro {

// The rate ratios of an alias (obliquity's period is 1.7 to 2.2 times precession's), and whether
// two rates lie at one.
using tuning::aliasHigh;
using tuning::aliasLow;
using tuning::aliasRatio;

struct CycleCandidate {
    RateScore score;
    std::optional<MisfitRow> misfit; // the lines' fit at this rate, when it was scored
    double nullProbability = 1;      // corrected for the rates tried; 1 without a fit
};

struct CycleIdentity {
    std::vector<CycleCandidate> candidates; // by increasing rate; empty: nothing scored
    std::size_t identified = 0;
    std::optional<std::size_t> alternative;
    // The rate the lines alone fit best, when its corrected null probability is at most 0.05:
    // where it lies at an alias ratio to the identified rate, the two tests disagree.
    std::optional<double> linesRate;

    double rate() const { return candidates.empty() ? 0 : candidates[identified].score.rate; }
};

// scores: one scan's (the record's or a window's); misfit: the lines' fit over the same rates
// (a scan with a problem counts as no fit at any rate).
CycleIdentity identifyCycle(const std::vector<RateScore>& scores, const MisfitScan& misfit);

// Per window of e, the identity from that window's lines (lines[w] for window w; windows
// without lines are identified by r2_opt alone), with the misfit's rule that a missing line
// never counts against a rate. Window w's random line sets are stream w.
std::vector<CycleIdentity> evolutiveIdentity(const EvolutiveTimeOpt& e,
                                             const std::vector<LineSet>& lines,
                                             MisfitSettings settings);

// "2.27 cm/kyr (r2_opt 0.121, misfit 0.0012 cycles/kyr, null probability 0.004)".
std::string candidateText(const CycleCandidate& c);

// The name of the target cycle nearest a frequency (cycles per kyr) within the half-bandwidth
// w (cycles per kyr): e405, e100, o41, p23, p19, or none.
std::string cycleName(double frequency, double w, const Targets& targets);

} // namespace astro
